"""A progress line on standard error for long command-line work: one line
redrawn in place, shown only on a terminal and never with --quiet, so pipes,
logs and scripts see nothing of it. Work that writes rows as it goes shows
the line only while those rows go elsewhere (a file, a pipe): on the
terminal the rows themselves show the progress, and the two would mix."""

from __future__ import annotations

import sys
import time
from typing import TextIO

#: The least time between two redrawings of the line, in seconds.
REDRAW_S = 0.2
#: Work shorter than this shows no line at all, in seconds.
DELAY_S = 0.5


class Progress:
    """A line such as "orvane: positions 42% (1,234 of 2,920)" on ``stream``.

    >>> import io
    >>> line = Progress("positions", io.StringIO())  # not a terminal: silent
    >>> line.update(1, 2); line.done()
    >>> line.enabled
    False
    """

    def __init__(self, label: str, stream: TextIO | None = None, quiet: bool = False,
                 rows: TextIO | None = None) -> None:
        self.stream = sys.stderr if stream is None else stream
        self.enabled = not quiet and _terminal(self.stream) and (rows is None or not _terminal(rows))
        self.label = label
        self._started = time.monotonic()
        self._drawn = 0.0
        self._width = 0

    def update(self, done: int, total: int | None = None, note: str = "") -> None:
        """Redraw the line (at most every ``REDRAW_S`` seconds, after ``DELAY_S``)."""
        if not self.enabled:
            return
        now = time.monotonic()
        if now - self._started < DELAY_S or now - self._drawn < REDRAW_S:
            return
        self._drawn = now
        if total:
            text = f"orvane: {self.label} {100 * done // total}% ({done:,} of {total:,}){note}"
        else:
            text = f"orvane: {self.label}{note}"
        self.stream.write("\r" + text.ljust(self._width))
        self.stream.flush()
        self._width = len(text)

    def done(self) -> None:
        """Erase the line, leaving the terminal as it was."""
        if self.enabled and self._width:
            self.stream.write("\r" + " " * self._width + "\r")
            self.stream.flush()
            self._width = 0


def _terminal(stream: TextIO) -> bool:
    isatty = getattr(stream, "isatty", None)
    try:
        return isatty is not None and bool(isatty())
    except ValueError:  # closed
        return False
