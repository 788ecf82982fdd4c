"""The companion's modules use one another through public names only: a
helper two modules share has a public home (the service reads times of day
with ``dates.clock_time``, as the command line does), so none reaches into
another's private names, which may change without notice."""
from __future__ import annotations

import argparse
import ast
import pathlib

import pytest

import orvane_tools
from orvane_tools import cli
from orvane_tools.dates import clock_time
from orvane_tools.serve import inputs

PACKAGE = pathlib.Path(orvane_tools.__file__).resolve().parent


def _private(name: str) -> bool:
    return name.startswith("_") and not name.startswith("__")


def _companion(module: str | None, level: int) -> bool:
    return level > 0 or (module or "").split(".")[0] == "orvane_tools"


def private_uses(source: str) -> list[str]:
    """Names of other companion modules' private members that a module's source uses."""
    tree = ast.parse(source)
    modules: set[str] = set()
    found: list[str] = []
    for node in ast.walk(tree):
        if isinstance(node, ast.ImportFrom) and _companion(node.module, node.level):
            for alias in node.names:
                if _private(alias.name):
                    found.append(f"{'.' * node.level}{node.module or ''}.{alias.name}")
                modules.add(alias.asname or alias.name)  # a module or a member: attributes of either count
        elif isinstance(node, ast.Import):
            for alias in node.names:
                if _companion(alias.name, 0):
                    modules.add(alias.asname or alias.name.split(".")[0])
    for node in ast.walk(tree):
        if isinstance(node, ast.Attribute) and isinstance(node.value, ast.Name) and node.value.id in modules \
                and _private(node.attr):
            found.append(f"{node.value.id}.{node.attr}")
    return found


def test_the_check_sees_a_private_use():
    assert private_uses("from orvane_tools import cli\nclock = cli._clock\n") == ["cli._clock"]
    assert private_uses("from .data import _file\n") == [".data._file"]
    assert private_uses("import os\nos._exit\nfrom orvane_tools import cli\ncli.main\n") == []


@pytest.mark.parametrize("path", sorted(PACKAGE.rglob("*.py")), ids=lambda p: str(p.relative_to(PACKAGE)))
def test_no_companion_module_uses_another_ones_private_names(path):
    assert private_uses(path.read_text(encoding="utf-8")) == []


@pytest.mark.parametrize(("text", "expected"), [("08:30", (8, 30, 0)), ("23:59:59", (23, 59, 59)), ("0:05", (0, 5, 0))])
def test_command_line_and_service_read_times_of_day_alike(text, expected):
    for read in (clock_time, cli._clock, inputs.clock):
        value = read(text)
        assert (value.hour, value.minute, value.second) == expected


@pytest.mark.parametrize("text", ["25:00", "12:60", "8h30", "12:30:00:00", "", "12:30 pm"])
def test_command_line_and_service_refuse_the_same_times_with_one_message(text):
    message = f"expected a time HH:MM[:SS], not {text!r}"
    with pytest.raises(ValueError, match="^" + message.replace("[", r"\[").replace("]", r"\]") + "$"):
        clock_time(text)
    with pytest.raises(argparse.ArgumentTypeError, match=r"expected a time HH:MM\[:SS\]"):
        cli._clock(text)
    with pytest.raises(inputs.InputError) as refused:
        inputs.read("time", text or " x", inputs.clock)
    assert refused.value.field == "time"
