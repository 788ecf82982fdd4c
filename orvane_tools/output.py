"""Rows written as an aligned table, CSV or JSON, one row at a time so long
listings stream.

A stream whose encoding cannot hold the degree, minute and second signs (an
ASCII or Latin-1 terminal, PYTHONIOENCODING=ascii) gets their ASCII forms in
tables and CSV ("deg", "'", '"'); JSON escapes whatever it cannot encode.

A moment (an aware ``datetime``) is written in CSV and JSON as ISO 8601 with
every digit it holds (microseconds, the offset, "Z" for UTC) and in tables
rounded to the nearest unit of its column's ``time_format``.
"""

from __future__ import annotations

import codecs
import csv
import json
from collections.abc import Sequence
from dataclasses import dataclass
from datetime import datetime, timedelta, timezone
from typing import TextIO

Value = str | float | int | bool | datetime | None
FORMATS: tuple[str, ...] = ("table", "csv", "json")
#: The angle signs and the ASCII forms written where a stream cannot encode them.
ASCII_SIGNS = {"°": "deg", "′": "'", "″": '"'}


def sign_forms(stream: TextIO) -> dict[int, str]:
    """A translation table (for ``str.translate``) giving the ASCII form of
    every angle sign the stream's encoding cannot hold; empty for UTF-8.

    >>> import io
    >>> print("23°07′41″".translate(sign_forms(io.TextIOWrapper(io.BytesIO(), encoding="latin-1"))))
    23°07'41"
    """
    encoding = getattr(stream, "encoding", None) or "utf-8"
    try:
        encoder = codecs.getencoder(encoding)
    except LookupError:
        encoder = codecs.getencoder("ascii")
    forms: dict[int, str] = {}
    for sign, form in ASCII_SIGNS.items():
        try:
            encoder(sign)
        except UnicodeError:
            forms[ord(sign)] = form
    return forms


def encodable(stream: TextIO) -> bool:
    """Whether the stream's encoding holds every character (a UTF encoding).

    >>> import io
    >>> encodable(io.TextIOWrapper(io.BytesIO(), encoding="ascii"))
    False
    """
    encoding = getattr(stream, "encoding", None) or "utf-8"
    try:
        return codecs.lookup(encoding).name.startswith("utf")
    except LookupError:
        return False


@dataclass(frozen=True)
class Column:
    """A column: its name, its width in the table and how a float is shown
    there (CSV and JSON keep every digit); texts such as names go to the left."""

    name: str
    width: int = 12
    float_format: str = ".6f"
    left: bool = False
    time_format: str = "%Y-%m-%dT%H:%M:%S%z"


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
        self._signs = sign_forms(stream)
        self._ascii_json = not encodable(stream)

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
            self._write_table([_table_text(v, c).translate(self._signs) for v, c in zip(values, self._columns)])
        elif self._form == "csv":
            self._csv.writerow(["" if v is None else repr(v) if isinstance(v, float) else
                                v.translate(self._signs) if isinstance(v, str) else iso_moment(v)
                                if isinstance(v, datetime) else v for v in values])
        else:
            record = {c.name: iso_moment(v) if isinstance(v, datetime) else v for c, v in zip(self._columns, values)}
            self._stream.write(("," if self._rows else "") + "\n" + json.dumps(record, ensure_ascii=self._ascii_json))
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
    if isinstance(value, datetime):
        return rounded_moment(value, column.time_format)
    return str(value)


def iso_moment(moment: datetime) -> str:
    """ISO 8601 with every digit the moment holds; UTC as "Z".

    >>> iso_moment(datetime(2026, 3, 20, 14, 46, 0, 123456, tzinfo=timezone.utc))
    '2026-03-20T14:46:00.123456Z'
    """
    text = moment.isoformat()
    return text[:-6] + "Z" if moment.utcoffset() == timedelta(0) and text.endswith("+00:00") else text


def rounded_moment(moment: datetime, form: str) -> str:
    """The moment rounded to the nearest second, or minute where ``form`` shows
    no seconds, then formatted by ``strftime``.

    >>> rounded_moment(datetime(2026, 6, 21, 5, 24, 31), "%H:%M")
    '05:25'
    """
    unit = timedelta(seconds=1) if "%S" in form or "%T" in form else timedelta(minutes=1)
    floor = moment - timedelta(seconds=moment.second % unit.total_seconds(), microseconds=moment.microsecond)
    nearest = floor + unit if moment - floor >= unit / 2 else floor
    text = nearest.strftime(form)
    if form.endswith("%z") and nearest.utcoffset() is not None:  # ISO 8601's +HH:MM, and Z for UTC
        offset = text[-5:]
        text = text[:-5] + ("Z" if offset == "+0000" else f"{offset[:3]}:{offset[3:]}")
    return text
