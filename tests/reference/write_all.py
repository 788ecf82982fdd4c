"""Writes every reference table the C++ tests compare against.

Each module named make_*.py beside this file offers write(out_dir); the tables
come from independent libraries (pyerfa, spiceypy, jplephem, ...) and from the
real data files, so the C++ tests never carry numbers typed by hand.
"""
import importlib.util
import pathlib
import sys


def main() -> None:
    out_dir = pathlib.Path(sys.argv[1])
    out_dir.mkdir(parents=True, exist_ok=True)
    here = pathlib.Path(__file__).parent
    sys.path.insert(0, str(here))
    for script in sorted(here.glob("make_*.py")):
        spec = importlib.util.spec_from_file_location(script.stem, script)
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        module.write(out_dir)


if __name__ == "__main__":
    main()
