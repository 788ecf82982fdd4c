"""Rows written as an aligned table, CSV or JSON, one row at a time so long
listings stream."""

from __future__ import annotations

import csv
import json
from collections.abc import Sequence
from dataclasses import dataclass
from typing import TextIO

Value = str | float | int | bool | None
FORMATS: tuple[str, ...] = ("table", "csv", "json")


@dataclass(frozen=True)
class Column:
    """A column: its name, its width in the table and how a float is shown
    there (CSV and JSON keep every digit); texts such as names go to the left."""

    name: str
    width: int = 12
    float_format: str = ".6f"
    left: bool = False


class RowWriter:
    def __init__(self, stream: TextIO, form: str, columns: Sequence[Column]) -> None:
        if form not in FORMATS:
            raise ValueError(f"unknown output format {form!r}")
        self._stream = stream
        self._form = form
        self._columns = tuple(columns)
        self._rows = 0
        self._csv = csv.writer(stream, lineterminator="\n")
        self._started = False

    def _start(self) -> None:
        # Written with the first row, so a request refused before any row leaves the output empty.
        self._started = True
        if self._form == "table":
            self._write_table([c.name for c in self._columns])
        elif self._form == "csv":
            self._csv.writerow([c.name for c in self._columns])
        else:
            self._stream.write("[")

    def row(self, values: Sequence[Value]) -> None:
        if len(values) != len(self._columns):
            raise ValueError("row length does not match the columns")
        if not self._started:
            self._start()
        if self._form == "table":
            self._write_table([_table_text(v, c) for v, c in zip(values, self._columns)])
        elif self._form == "csv":
            self._csv.writerow(["" if v is None else repr(v) if isinstance(v, float) else v for v in values])
        else:
            record = {c.name: v for c, v in zip(self._columns, values)}
            self._stream.write(("," if self._rows else "") + "\n" + json.dumps(record, ensure_ascii=False))
        self._rows += 1

    def close(self) -> None:
        if not self._started:
            self._start()
        if self._form == "json":
            self._stream.write("\n]\n" if self._rows else "]\n")
        self._stream.flush()

    def _write_table(self, cells: Sequence[str]) -> None:
        line = "  ".join(cell.ljust(c.width) if c.left else cell.rjust(c.width) for cell, c in zip(cells, self._columns))
        self._stream.write(line.rstrip() + "\n")


def _table_text(value: Value, column: Column) -> str:
    if value is None:
        return "-"
    if isinstance(value, bool):
        return "yes" if value else ""
    if isinstance(value, float):
        return format(value, column.float_format)
    return str(value)
