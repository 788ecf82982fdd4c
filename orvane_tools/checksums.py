"""SHA-256 checksums of data files, computed once per file version.

A checksum is cached, in memory and in a small JSON file under
``$XDG_CACHE_HOME/orvane`` (or ``~/.cache/orvane``), so that opening the same
120 MB kernel again, in this process or the next, costs a ``stat`` instead of a
read. The key of a file version is its resolved path, device, inode, size,
modification time and status-change time (nanoseconds). The status-change
time cannot be set back from user space (``os.utime`` sets it to now), so a
file replaced by another of the same size whose modification time was
restored still gets a new key and is hashed again.

Only regular files are hashed or read as a cache: a FIFO, a device such as
``/dev/zero`` or a directory is refused (``sha256``) or ignored (the cache
file) before any blocking open. The on-disk cache is an optimisation only: when
it cannot be read or written, or holds entries of the wrong form, they are
ignored and the file is written again whole (through a temporary file in the
same directory, removed on any failure).
"""
from __future__ import annotations

import hashlib
import json
import os
import pathlib
import re
import stat
import tempfile
import threading
from collections.abc import Callable

#: (resolved path, device, inode, size, mtime_ns, ctime_ns)
_Key = tuple[str, int, int, int, int, int]

_lock = threading.Lock()
_memory: dict[_Key, str] = {}
_disk_loaded = False

_CACHE_FILE = "sha256.json"
_DIGEST = re.compile(r"[0-9a-f]{64}")
_FILE_KINDS = ((stat.S_ISDIR, "a directory"), (stat.S_ISFIFO, "a FIFO"), (stat.S_ISCHR, "a character device"),
               (stat.S_ISBLK, "a block device"), (stat.S_ISSOCK, "a socket"))


class NotRegularFileError(ValueError):
    """A path that names a FIFO, a device, a directory or a socket, where a
    regular file is needed; ``description`` says which ("a FIFO, not a regular file")."""

    def __init__(self, path: str, description: str) -> None:
        super().__init__(f"{path} is {description}")
        self.path = path
        self.description = description


def cache_directory() -> pathlib.Path:
    """The directory where orvane_tools keeps its caches.

    >>> cache_directory().name
    'orvane'
    """
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return pathlib.Path(base) / "orvane"


def _kind(mode: int) -> str:
    return next((name for test, name in _FILE_KINDS if test(mode)), "not a regular file")


def _key(path: str, status: os.stat_result) -> _Key:
    return (path, status.st_dev, status.st_ino, status.st_size, status.st_mtime_ns, status.st_ctime_ns)


def _open_regular(path: str | os.PathLike[str]) -> tuple[int, os.stat_result] | None:
    """A descriptor open for reading on a regular file, and its status; None
    for anything else. Opened without blocking (a FIFO would wait for a
    writer) and checked on the descriptor itself, so a file swapped in
    between cannot slip through."""
    descriptor = os.open(path, os.O_RDONLY | os.O_NONBLOCK | getattr(os, "O_CLOEXEC", 0))
    try:
        status = os.fstat(descriptor)
        if not stat.S_ISREG(status.st_mode):
            os.close(descriptor)
            return None
        os.set_blocking(descriptor, True)
    except BaseException:
        os.close(descriptor)
        raise
    return descriptor, status


def _valid_entry(entry: object) -> _Key | None:
    if not isinstance(entry, list) or len(entry) != 7 or not isinstance(entry[0], str):
        return None
    numbers = entry[1:6]
    if not all(type(number) is int and number >= 0 for number in numbers):
        return None
    digest = entry[6]
    if not isinstance(digest, str) or _DIGEST.fullmatch(digest) is None:
        return None
    return (entry[0], numbers[0], numbers[1], numbers[2], numbers[3], numbers[4])


def _load_disk() -> None:
    global _disk_loaded
    _disk_loaded = True
    try:
        opened = _open_regular(cache_directory() / _CACHE_FILE)
        if opened is None:
            return
        with os.fdopen(opened[0], "r", encoding="utf-8") as handle:
            entries = json.load(handle)
    except (OSError, ValueError):
        return
    for entry in entries if isinstance(entries, list) else ():
        key = _valid_entry(entry)
        if key is not None:
            _memory[key] = entry[6]


def _store_disk() -> None:
    directory = cache_directory()
    target = directory / _CACHE_FILE
    temporary: str | None = None
    try:
        directory.mkdir(parents=True, exist_ok=True)
        try:
            if not stat.S_ISREG(os.lstat(target).st_mode):
                return  # something else stands there: leave it alone
        except FileNotFoundError:
            pass
        entries = [[*key, digest] for key, digest in _memory.items()]
        descriptor, temporary = tempfile.mkstemp(dir=directory, prefix=".sha256-", suffix=".tmp")
        with os.fdopen(descriptor, "w", encoding="utf-8") as handle:
            json.dump(entries, handle)
        os.replace(temporary, target)
        temporary = None
    except OSError:
        pass
    finally:
        if temporary is not None:
            try:
                os.unlink(temporary)
            except OSError:
                pass


#: Called as (path, bytes read, file size) while a file not yet in the cache
#: is hashed, e.g. to show progress; None (the default) calls nothing.
hashing_progress: Callable[[str, int, int], None] | None = None


def _digest(descriptor: int, path: str = "", size: int = 0) -> str:
    hasher = hashlib.sha256()
    done = 0
    with os.fdopen(descriptor, "rb") as handle:
        for block in iter(lambda: handle.read(1 << 20), b""):
            hasher.update(block)
            done += len(block)
            if hashing_progress is not None:
                hashing_progress(path, done, size)
    return hasher.hexdigest()


def sha256(path: str | os.PathLike[str]) -> str:
    """The SHA-256 of a regular file as 64 lower-case hexadecimal digits (cached).

    Raises ``OSError`` when the file cannot be read and
    :class:`NotRegularFileError` (a ``ValueError``) when it is not a regular
    file (a FIFO, a device, a directory), before opening it.

    >>> import tempfile
    >>> with tempfile.NamedTemporaryFile() as handle:
    ...     sha256(handle.name)[:16]
    'e3b0c44298fc1c14'
    """
    resolved = str(pathlib.Path(path).resolve())
    status = os.stat(resolved)
    if not stat.S_ISREG(status.st_mode):
        raise NotRegularFileError(resolved, f"{_kind(status.st_mode)}, not a regular file")
    key = _key(resolved, status)
    with _lock:
        if not _disk_loaded:
            _load_disk()
        cached = _memory.get(key)
    if cached is not None:
        return cached
    opened = _open_regular(resolved)
    if opened is None:
        raise NotRegularFileError(resolved, "not a regular file")
    read_key = _key(resolved, opened[1])
    digest = _digest(opened[0], resolved, opened[1].st_size)
    try:
        unchanged = _key(resolved, os.stat(resolved)) == read_key
    except OSError:
        unchanged = False
    if not unchanged:  # changed while it was read: hash the new version next time
        return digest
    with _lock:
        for stale in [other for other in _memory if other[0] == resolved]:
            del _memory[stale]
        _memory[read_key] = digest
        _store_disk()
    return digest
