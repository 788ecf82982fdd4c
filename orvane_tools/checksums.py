"""SHA-256 checksums of data files, computed once per file version.

A checksum is cached by the file's resolved path, size and modification time,
in memory and in a small JSON file under ``$XDG_CACHE_HOME/orvane`` (or
``~/.cache/orvane``), so that opening the same 120 MB kernel again, in this
process or the next, costs a ``stat`` instead of a read. A file that changes
gets a new size or modification time and is hashed again. The on-disk cache is
an optimisation only: when it cannot be read or written it is ignored.
"""
from __future__ import annotations

import hashlib
import json
import os
import pathlib
import tempfile
import threading

_Key = tuple[str, int, int]

_lock = threading.Lock()
_memory: dict[_Key, str] = {}
_disk_loaded = False

_CACHE_FILE = "sha256.json"


def cache_directory() -> pathlib.Path:
    """The directory where orvane_tools keeps its caches."""
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return pathlib.Path(base) / "orvane"


def _key(path: pathlib.Path) -> _Key:
    status = path.stat()
    return (str(path), status.st_size, status.st_mtime_ns)


def _load_disk() -> None:
    global _disk_loaded
    _disk_loaded = True
    try:
        entries = json.loads((cache_directory() / _CACHE_FILE).read_text(encoding="utf-8"))
        for entry in entries:
            path, size, mtime_ns, digest = entry
            if isinstance(digest, str) and len(digest) == 64:
                _memory[(str(path), int(size), int(mtime_ns))] = digest
    except (OSError, ValueError, TypeError):
        pass


def _store_disk() -> None:
    directory = cache_directory()
    try:
        directory.mkdir(parents=True, exist_ok=True)
        entries = [[path, size, mtime_ns, digest] for (path, size, mtime_ns), digest in _memory.items()]
        with tempfile.NamedTemporaryFile("w", dir=directory, prefix=".sha256-", suffix=".tmp",
                                         delete=False, encoding="utf-8") as handle:
            json.dump(entries, handle)
        os.replace(handle.name, directory / _CACHE_FILE)
    except OSError:
        pass


def _digest(path: pathlib.Path) -> str:
    hasher = hashlib.sha256()
    with path.open("rb") as handle:
        for block in iter(lambda: handle.read(1 << 20), b""):
            hasher.update(block)
    return hasher.hexdigest()


def sha256(path: str | os.PathLike[str]) -> str:
    """The SHA-256 of a file as 64 lower-case hexadecimal digits (cached)."""
    resolved = pathlib.Path(path).resolve()
    key = _key(resolved)
    with _lock:
        if not _disk_loaded:
            _load_disk()
        cached = _memory.get(key)
    if cached is not None:
        return cached
    digest = _digest(resolved)
    if _key(resolved) != key:  # changed while it was read: hash the new version next time
        return digest
    with _lock:
        for stale in [other for other in _memory if other[0] == key[0]]:
            del _memory[stale]
        _memory[key] = digest
        _store_disk()
    return digest
