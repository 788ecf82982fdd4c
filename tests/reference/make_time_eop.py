"""The rows of the real IERS EOP 20 C04 table (astropy-iers-data), read here
with Python's own float parsing, for the C++ table to match exactly.

eop_c04_path.txt: the table's path (one line).
eop_c04_rows.csv: utc_jd (MJD + 2400000.5), x_arcsec, y_arcsec, dut1_seconds,
one row per data line in file order.
"""
import csv
import pathlib

from data_files import eop_c04


def write(out_dir: pathlib.Path) -> None:
    path = eop_c04()
    (out_dir / "eop_c04_path.txt").write_text(str(path) + "\n")
    with open(path, encoding="utf-8") as source, open(out_dir / "eop_c04_rows.csv", "w", newline="") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(["utc_jd", "x_arcsec", "y_arcsec", "dut1_seconds"])
        for line in source:
            fields = line.split()
            if not fields or fields[0].startswith("#"):
                continue
            mjd, x, y, dut1 = (float(v) for v in fields[4:8])
            writer.writerow([repr(mjd + 2400000.5), repr(x), repr(y), repr(dut1)])
