"""Writes the class-method blocks of the enum-like classes in src/python/orvane.pyi
from the installed module, whose methods come from the vocabulary tables.

Usage: python3 tools/generate_stub_enums.py [--check]

With --check nothing is written; the exit status is 1 when the stub differs.
"""
from __future__ import annotations

import pathlib
import re
import sys
import types

import orvane

STUB = pathlib.Path(__file__).resolve().parents[1] / "src" / "python" / "orvane.pyi"
ENUM_CLASSES = ("HouseSystem", "HorizonEventKind", "SeasonEvent", "LunationEvent", "SiderealMode")


def value_names(cls: type) -> list[str]:
    """The class's value methods, in the module's order."""
    return [
        name
        for name, attribute in vars(cls).items()
        if isinstance(attribute, types.ClassMethodDescriptorType) and not name.startswith("_")
    ]


def block(cls_name: str) -> str:
    cls = getattr(orvane, cls_name)
    lines = [f"    @classmethod\n    def {name}(cls) -> {cls_name}: ...\n" for name in value_names(cls)]
    return "".join(lines)


def generated(stub: str) -> str:
    for cls_name in ENUM_CLASSES:
        pattern = re.compile(
            rf"(class {cls_name}:\n    def __new__\(cls, name: str\) -> Self: \.\.\.\n)(.*?)(    @property\n    def name)",
            re.S,
        )
        stub, count = pattern.subn(lambda m: m.group(1) + block(cls_name) + m.group(3), stub)
        if count != 1:
            raise SystemExit(f"no class block for {cls_name} in {STUB}")
    return stub


def main() -> int:
    stub = STUB.read_text()
    new = generated(stub)
    if "--check" in sys.argv[1:]:
        if new != stub:
            print(f"{STUB} is out of date: run tools/generate_stub_enums.py", file=sys.stderr)
            return 1
        return 0
    STUB.write_text(new)
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
