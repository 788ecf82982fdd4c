"""Writes the docstrings of the methods and functions in src/python/orvane.pyi
from the installed module, whose docstrings come from the binding's method
tables, so that the stub and help() say the same.

Usage: python3 tools/generate_stub_docstrings.py [--check]

With --check nothing is written; the exit status is 1 when the stub differs.
The value methods of the enum-like classes are left to generate_stub_enums.py.
"""
from __future__ import annotations

import pathlib
import re
import sys

import orvane

STUB = pathlib.Path(__file__).resolve().parents[1] / "src" / "python" / "orvane.pyi"
ENUM_CLASSES = ("HouseSystem", "HorizonEventKind", "SeasonEvent", "LunationEvent", "SiderealMode")
DEF = re.compile(r"^(?P<indent> *)def (?P<name>\w+)\(")
CLASS = re.compile(r"^class (?P<name>\w+)\b")


def runtime_doc(owner: str | None, name: str) -> str | None:
    """The docstring the module gives `owner.name` (a module function when owner is None)."""
    if name.startswith("_") or owner in ENUM_CLASSES:
        return None
    if owner is None:
        member = getattr(orvane, name, None)
    else:
        member = vars(getattr(orvane, owner, object)).get(name)
    doc = getattr(member, "__doc__", None)
    if not isinstance(doc, str) or not doc.strip() or '"""' in doc:
        return None
    return doc.strip()


def docstring_lines(doc: str, indent: str) -> list[str]:
    doc = doc.replace("\\", "\\\\")
    lines = doc.splitlines()
    if len(lines) == 1:
        return [f'{indent}"""{lines[0]}"""\n']
    out = [f'{indent}"""{lines[0]}\n']
    out += [f"{indent}{line}\n" if line.strip() else "\n" for line in lines[1:]]
    out.append(f'{indent}"""\n')
    return out


def generated(stub: str) -> str:
    lines = stub.splitlines(keepends=True)
    out: list[str] = []
    owner: str | None = None
    decorators: list[str] = []
    i = 0
    while i < len(lines):
        line = lines[i]
        found_class = CLASS.match(line)
        if found_class:
            owner = found_class.group("name")
        found = DEF.match(line)
        if not found:
            if line.lstrip().startswith("@"):
                decorators.append(line.strip())
            elif line.strip():
                decorators = []
            if line.strip() and not line.startswith((" ", "\t", "@", "#")) and not found_class:
                owner = None
            out.append(line)
            i += 1
            continue
        indent, name = found.group("indent"), found.group("name")
        if not indent:
            owner = None
        header = [line]
        while not re.search(r":( \.\.\.)?\s*$", header[-1].split("#")[0]) or header[-1].rstrip().endswith(","):
            i += 1
            header.append(lines[i])
        i += 1
        if not header[-1].rstrip().endswith("..."):  # a docstring follows: drop it, it is written again
            first = lines[i]
            i += 1
            if not (first.strip().endswith('"""') and len(first.strip()) > 3):
                while not lines[i].strip().endswith('"""'):
                    i += 1
                i += 1
            header[-1] = header[-1].rstrip()[:-1] + ": ...\n"
        doc = None if "@overload" in decorators else runtime_doc(owner if indent else None, name)
        decorators = []
        if doc is None:
            out += header
            continue
        header[-1] = header[-1].rstrip()[: -len(" ...")] + "\n"
        out += header
        out += docstring_lines(doc, indent + "    ")
    return "".join(out)


def main() -> int:
    stub = STUB.read_text()
    new = generated(stub)
    if "--check" in sys.argv[1:]:
        if new != stub:
            print(f"{STUB} is out of date: run tools/generate_stub_docstrings.py", file=sys.stderr)
            return 1
        return 0
    STUB.write_text(new)
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
