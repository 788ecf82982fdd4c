"""The DAF/SPK writer of the tests: the companion's own writer
(orvane_tools.spk_writer), under the name the tests and seed scripts import."""
from __future__ import annotations

from orvane_tools.spk_writer import (  # noqa: F401
    FTP,
    RECORD,
    Segment,
    Type2Record,
    comment_records,
    file_record,
    linear_type2,
    name_record,
    spk_bytes,
    summary_bytes,
    summary_record,
    type2_words,
    whole_records,
    words_bytes,
)
