"""A writer of DAF/SPK files: the one used for the planet-centre kernel, the
centaur kernel and the crafted kernels of the tests.

It writes any file record, summary records with any control words, name
records, comment records and Type 2 segment data, little- or big-endian, so
that sound kernels and kernels broken on purpose come from the same code.

    >>> words = type2_words(0.0, 86400.0, [Type2Record(43200.0, 43200.0, [1.0], [2.0], [3.0])])
    >>> data = spk_bytes([Segment(2000001, 10, 0.0, 86400.0, words)])
    >>> len(data) % RECORD, data[:8]
    (0, b'DAF/SPK ')
"""

from __future__ import annotations

import dataclasses
import math
import struct
from collections.abc import Sequence

#: Bytes in a DAF record.
RECORD = 1024
#: The FTP validation string NAIF's toolkit looks for at byte 699 of the file record.
FTP = b"FTPSTR:\r:\n:\r\n:\r\x00:\x81:\x10\xce:ENDFTP"


def _order(big_endian: bool) -> str:
    return ">" if big_endian else "<"


def file_record(
    *,
    big_endian: bool = False,
    identifier: bytes = b"DAF/SPK ",
    nd: int = 2,
    ni: int = 6,
    internal_name: bytes = b"orvane test kernel",
    forward: int = 2,
    backward: int = 2,
    free: int = 129,
    format_field: bytes | None = None,
    ftp: bool = False,
) -> bytes:
    """Record 1 with every field settable; with ``ftp`` the FTP validation string too.

    >>> record = file_record(internal_name=b"my kernel")
    >>> len(record), record[16:25], record[88:96]
    (1024, b'my kernel', b'LTL-IEEE')
    """
    o = _order(big_endian)
    if format_field is None:
        format_field = b"BIG-IEEE" if big_endian else b"LTL-IEEE"
    record = bytearray(RECORD)
    record[0:8] = identifier.ljust(8)[:8]
    record[8:12] = struct.pack(o + "I", nd)
    record[12:16] = struct.pack(o + "I", ni)
    record[16:76] = internal_name.ljust(60)[:60]
    record[76:80] = struct.pack(o + "I", forward)
    record[80:84] = struct.pack(o + "I", backward)
    record[84:88] = struct.pack(o + "I", free)
    record[88:96] = format_field.ljust(8)[:8]
    if ftp:
        record[699:699 + len(FTP)] = FTP
    return bytes(record)


def summary_bytes(start_epoch: float, end_epoch: float, target: int, center: int, frame: int, data_type: int,
                  start_address: int, end_address: int, *, big_endian: bool = False) -> bytes:
    """One 40-byte SPK summary (ND = 2, NI = 6).

    >>> len(summary_bytes(0.0, 1.0, 499, 4, 1, 2, 385, 393))
    40
    """
    o = _order(big_endian)
    return struct.pack(o + "2d6i", start_epoch, end_epoch, target, center, frame, data_type, start_address, end_address)


def summary_record(next_record: float, prev_record: float, nsum: float, summaries: Sequence[bytes], *,
                   big_endian: bool = False) -> bytes:
    """A summary record; the control words are reals and may be anything.

    >>> summary_record(0.0, 0.0, 0.0, [])[:24] == bytes(24)
    True
    """
    o = _order(big_endian)
    record = bytearray(RECORD)
    record[0:24] = struct.pack(o + "3d", next_record, prev_record, nsum)
    offset = 24
    for summary in summaries:
        record[offset:offset + len(summary)] = summary
        offset += len(summary)
    return bytes(record)


def name_record(names: Sequence[bytes]) -> bytes:
    """A name record: 40 bytes per segment name, filled with blanks.

    >>> name_record([b"MARS"])[:6]
    b'MARS  '
    """
    record = bytearray(b" " * RECORD)
    for i, name in enumerate(names):
        record[i * 40:(i + 1) * 40] = name.ljust(40)[:40]
    return bytes(record)


def comment_records(text: str) -> bytes:
    """The comment area for ASCII `text`: lines ended by NUL, the end marked by EOT,
    1,000 characters to a record filled with blanks.

    >>> area = comment_records("one\\ntwo")
    >>> len(area), area[:9]
    (1024, b'one\\x00two\\x00\\x04')
    """
    data = text.encode("ascii").replace(b"\n", b"\x00") + b"\x00\x04"
    records = bytearray()
    for offset in range(0, len(data), 1000):
        chunk = data[offset:offset + 1000]
        records += chunk + b" " * (RECORD - len(chunk))
    return bytes(records)


def words_bytes(words: Sequence[float], *, big_endian: bool = False) -> bytes:
    """Double-precision words as the file stores them.

    >>> words_bytes([1.0]) == struct.pack("<d", 1.0)
    True
    """
    return struct.pack(_order(big_endian) + f"{len(words)}d", *words)


@dataclasses.dataclass
class Type2Record:
    """One Chebyshev record: interval midpoint and radius, coefficients per axis."""

    mid: float
    radius: float
    x: Sequence[float]
    y: Sequence[float]
    z: Sequence[float]

    def words(self) -> list[float]:
        """The record's words: MID, RADIUS, then the coefficients of x, y and z.

        >>> Type2Record(5.0, 1.0, [1.0], [2.0], [3.0]).words()
        [5.0, 1.0, 1.0, 2.0, 3.0]
        """
        return [self.mid, self.radius, *self.x, *self.y, *self.z]


def type2_words(init: float, intlen: float, records: Sequence[Type2Record]) -> list[float]:
    """Segment data: the records, then INIT, INTLEN, RSIZE, N.

    >>> type2_words(0.0, 10.0, [Type2Record(5.0, 5.0, [1.0], [2.0], [3.0])])
    [5.0, 5.0, 1.0, 2.0, 3.0, 0.0, 10.0, 5.0, 1.0]
    """
    words: list[float] = []
    for record in records:
        words.extend(record.words())
    rsize = len(records[0].words()) if records else 2
    return words + [init, intlen, float(rsize), float(len(records))]


def linear_type2(init: float, intlen: float, count: int, position: Sequence[float], velocity: Sequence[float],
                 degree: int = 3) -> list[float]:
    """Type 2 data for a body at position + velocity * (t - init): exact in every record.

    >>> len(linear_type2(0.0, 10.0, 2, (1.0, 2.0, 3.0), (0.0, 0.0, 0.0)))
    32
    """
    records = []
    for k in range(count):
        mid = init + intlen * (k + 0.5)
        radius = intlen / 2
        axes = []
        for axis in range(3):
            coefficients = [0.0] * (degree + 1)
            coefficients[0] = position[axis] + velocity[axis] * (mid - init)
            if degree >= 1:
                coefficients[1] = velocity[axis] * radius
            axes.append(coefficients)
        records.append(Type2Record(mid, radius, *axes))
    return type2_words(init, intlen, records)


@dataclasses.dataclass
class Segment:
    """One segment: its summary's fields, its data words and its name."""

    target: int
    center: int
    start_epoch: float
    end_epoch: float
    words: Sequence[float]
    frame: int = 1
    data_type: int = 2
    name: bytes = b"segment"


def spk_bytes(segments: Sequence[Segment], *, big_endian: bool = False, per_record: int = 25,
              comments: str | None = None, **file_fields: object) -> bytes:
    """A sound SPK file: file record, the comment area when `comments` are given,
    summary/name record pairs chained in order, then each segment's words, in
    whole records. Extra keyword arguments set file-record fields (such as
    ``internal_name`` and ``ftp``).

    >>> data = spk_bytes([], comments="empty", internal_name=b"nothing", ftp=True)
    >>> len(data) // RECORD, data[16:23], data[699:705]
    (4, b'nothing', b'FTPSTR')
    """
    comment_area = comment_records(comments) if comments is not None else b""
    first_summary = 2 + len(comment_area) // RECORD
    summary_records = max(1, math.ceil(len(segments) / per_record))
    first_data_record = first_summary + 2 * summary_records
    address = (first_data_record - 1) * 128 + 1
    summaries = []
    data = bytearray()
    for segment in segments:
        start = address
        end = start + len(segment.words) - 1
        summaries.append(summary_bytes(segment.start_epoch, segment.end_epoch, segment.target, segment.center,
                                       segment.frame, segment.data_type, start, end, big_endian=big_endian))
        data += words_bytes(segment.words, big_endian=big_endian)
        address = end + 1
    records = []
    for r in range(summary_records):
        record_number = first_summary + 2 * r
        chunk = summaries[r * per_record:(r + 1) * per_record]
        names = [s.name for s in segments[r * per_record:(r + 1) * per_record]]
        next_record = record_number + 2 if r + 1 < summary_records else 0
        prev_record = record_number - 2 if r > 0 else 0
        records.append(summary_record(next_record, prev_record, len(chunk), chunk, big_endian=big_endian))
        records.append(name_record(names))
    fields: dict[str, object] = dict(forward=first_summary, backward=first_summary + 2 * (summary_records - 1),
                                     free=address)
    fields.update(file_fields)
    head = file_record(big_endian=big_endian, **fields)  # type: ignore[arg-type]
    return whole_records(head + comment_area + b"".join(records) + bytes(data))


def whole_records(content: bytes) -> bytes:
    """The content zero-filled to a whole number of records, as DAF readers read it record by record.

    >>> len(whole_records(b"x"))
    1024
    """
    return content.ljust(-(-len(content) // RECORD) * RECORD, b"\x00")
