"""Seeds of the fuzz targets, cut from the real files: a small SPK kernel of
two records of every DE421 segment (its own coefficients, so every body's
chain resolves), the leap-second kernel, and the head and tail of the IERS C04
table, and the time model's two tables. Usage: make_seeds.py OUT_DIR (one folder per target)."""
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "python"))
sys.path.insert(0, str(HERE.parent / "reference"))

import daf_writer  # noqa: E402
import data_files  # noqa: E402

RECORDS = 2


def small_de421() -> bytes:
    from jplephem.spk import SPK

    kernel = SPK.open(str(data_files.de421()))
    segments = []
    for segment in kernel.segments:
        init, intlen, rsize, _ = kernel.daf.read_array(segment.end_i - 3, segment.end_i)
        rsize = int(rsize)
        records = kernel.daf.read_array(segment.start_i, segment.start_i + RECORDS * rsize - 1)
        words = [float(w) for w in records] + [init, intlen, float(rsize), float(RECORDS)]
        segments.append(daf_writer.Segment(segment.target, segment.center, init, init + RECORDS * intlen, words,
                                           name=segment.source))
    kernel.close()
    return daf_writer.spk_bytes(segments)


def main() -> None:
    out = pathlib.Path(sys.argv[1])
    for target in ("spk_kernel", "leap_second_kernel", "eop_table", "time_model", "hipparcos_catalogue"):
        (out / target).mkdir(parents=True, exist_ok=True)
    (out / "spk_kernel" / "de421_two_records.bsp").write_bytes(small_de421())
    (out / "leap_second_kernel" / "leap_seconds.tls").write_bytes(data_files.leap_seconds().read_bytes())
    lines = data_files.eop_c04().read_bytes().splitlines(keepends=True)
    (out / "eop_table" / "eopc04_head_tail.txt").write_bytes(b"".join(lines[:60] + lines[-30:]))
    lines = data_files.eop_finals().read_bytes().splitlines(keepends=True)
    (out / "eop_table" / "finals_head_tail.txt").write_bytes(b"".join(lines[:60] + lines[-400:]))
    data = HERE.parents[1] / "data"
    (out / "time_model" / "spline_and_early_utc.txt").write_bytes(
        (data / "delta_t_spline.txt").read_bytes() + b"\n" + (data / "utc_1960_1972.txt").read_bytes())
    # Four hip2.dat lines, as the engine keeps them for the star ayanamshas.
    anchors = (HERE.parents[1] / "src" / "core" / "sidereal" / "anchor_stars.inc").read_text()
    rows = [line.split('"')[1].replace("\\n", "\n") for line in anchors.splitlines() if line.startswith('"')]
    (out / "hipparcos_catalogue" / "hip2_lines.dat").write_text("".join(rows))


if __name__ == "__main__":
    main()
