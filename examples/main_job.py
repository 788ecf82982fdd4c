"""The main job: open the real JPL DE421 kernel and report what it holds."""
import hashlib
import pathlib

import skyfield_data

import orvane

DE421 = pathlib.Path(skyfield_data.__file__).parent / "data" / "de421.bsp"


def sha256(path: pathlib.Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def main() -> None:
    engine = orvane.open(str(DE421), sha256(DE421))
    print(engine)
    for key, value in engine.kernel_metadata.as_dict().items():
        print(f"  {key}: {value}")
    print(engine.supported_range)


if __name__ == "__main__":
    main()
