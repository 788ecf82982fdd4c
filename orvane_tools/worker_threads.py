"""Threads of one array call inside a worker that already shares the cores
with others (a Dask worker thread, a thread of the HTTP service)."""
from __future__ import annotations

import os

#: Environment variable that sets the threads of one call inside a worker.
VARIABLE = "ORVANE_WORKER_THREADS"


def worker_threads() -> int:
    """Threads one array call inside a worker shares its instants between:
    1, since the workers already keep every core busy, unless set by the
    environment variable ``ORVANE_WORKER_THREADS`` (a whole number from 1).

    >>> worker_threads()  # ORVANE_WORKER_THREADS unset
    1
    """
    text = os.environ.get(VARIABLE, "").strip()
    if not text:
        return 1
    try:
        count = int(text)
    except ValueError:
        raise ValueError(f"{VARIABLE} must be a whole number from 1, not {text!r}") from None
    if count < 1:
        raise ValueError(f"{VARIABLE} must be a whole number from 1, not {text!r}")
    return count
