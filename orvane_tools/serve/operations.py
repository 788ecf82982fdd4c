"""What the service does around every request: a JSON access-log line, the
data's provenance header, caching headers for answers that never change for
the same data, and refusals of oversized requests before any work."""

from __future__ import annotations

import hashlib
import json
import logging
import os
import time
from collections.abc import Awaitable, Callable, MutableMapping
from typing import Any

Scope = MutableMapping[str, Any]
Message = MutableMapping[str, Any]
Receive = Callable[[], Awaitable[Message]]
Send = Callable[[Message], Awaitable[None]]
ASGIApp = Callable[[Scope, Receive, Send], Awaitable[None]]

#: Bytes a request body may have: every endpoint reads its query, none a body.
MAX_BODY = 1024
#: Bytes a query string may have.
MAX_QUERY = 2048
#: How long a client may keep a deterministic answer (a day; the ETag revalidates it after).
MAX_AGE_SECONDS = 86_400
PROVENANCE_HEADER = "x-orvane-data"

access_log = logging.getLogger("orvane.access")


def log_to_standard_error() -> None:
    """Access-log lines (one JSON object each) on standard error, once per process."""
    if not access_log.handlers:
        handler = logging.StreamHandler()
        handler.setFormatter(logging.Formatter("%(message)s"))
        access_log.addHandler(handler)
        access_log.setLevel(logging.INFO)
        access_log.propagate = False


def entity_tag(path: str, query: bytes, data: str, version: str) -> str:
    """The ETag of a deterministic answer: a hash of the request, the data files and the version.

    >>> entity_tag("/v1/chart", b"a=1&b=2", "de421.bsp=00", "0.1.0") == entity_tag("/v1/chart", b"b=2&a=1", "de421.bsp=00", "0.1.0")
    True
    """
    canonical = "&".join(sorted(query.decode("latin-1").split("&")))
    digest = hashlib.sha256("\n".join((path, canonical, data, version)).encode()).hexdigest()
    return f'"{digest[:32]}"'


def _refusal(status: int, field: str, message: str) -> tuple[int, bytes]:
    return status, json.dumps({"error": {"field": field, "message": message}}).encode()


class Operations:
    """ASGI middleware: logs, provenance, caching headers and size limits.

    ``deterministic`` are the paths whose answers depend only on the query and
    the data: they get an ETag and Cache-Control, and a matching
    If-None-Match is answered 304 with no work.
    """

    def __init__(self, app: ASGIApp, data: str, version: str, deterministic: frozenset[str]) -> None:
        self.app = app
        self.data = data
        self.version = version
        self.deterministic = deterministic

    async def __call__(self, scope: Scope, receive: Receive, send: Send) -> None:
        if scope["type"] != "http":
            await self.app(scope, receive, send)
            return
        started = time.perf_counter()
        status = 0
        size = 0
        headers = {key.lower(): value for key, value in scope.get("headers", [])}
        path: str = scope.get("path", "")
        query: bytes = scope.get("query_string", b"")
        cacheable = scope.get("method") in ("GET", "HEAD") and path in self.deterministic
        tag = entity_tag(path, query, self.data, self.version) if cacheable else None
        extra = [(PROVENANCE_HEADER.encode(), self.data.encode())]
        if tag is not None:
            extra += [(b"etag", tag.encode()), (b"cache-control", f"public, max-age={MAX_AGE_SECONDS}".encode())]

        async def send_with_headers(message: Message) -> None:
            nonlocal status, size
            if message["type"] == "http.response.start":
                status = message["status"]
                message["headers"] = [*message.get("headers", []),
                                      *(extra if status in (200, 304) else extra[:1])]
            elif message["type"] == "http.response.body":
                size += len(message.get("body", b""))
            await send(message)

        refusal = self._refuse(headers, query)
        try:
            if refusal is not None:
                await self._answer(send_with_headers, *refusal)
            elif tag is not None and tag.encode() in headers.get(b"if-none-match", b""):
                await send_with_headers({"type": "http.response.start", "status": 304, "headers": []})
                await send_with_headers({"type": "http.response.body", "body": b""})
            else:
                await self.app(scope, receive, send_with_headers)
        finally:
            access_log.info(json.dumps({
                "time": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime()),
                "pid": os.getpid(),
                "client": (scope.get("client") or ("", 0))[0],
                "method": scope.get("method"),
                "path": path,
                "query": query.decode("latin-1"),
                "status": status,
                "bytes": size,
                "ms": round((time.perf_counter() - started) * 1000.0, 3),
            }))

    @staticmethod
    def _refuse(headers: dict[bytes, bytes], query: bytes) -> tuple[int, bytes] | None:
        if len(query) > MAX_QUERY:
            return _refusal(414, "query", f"the query is longer than {MAX_QUERY} bytes")
        length = headers.get(b"content-length")
        if length is not None and (not length.isdigit() or int(length) > MAX_BODY):
            return _refusal(413, "body", f"request bodies are refused above {MAX_BODY} bytes")
        if b"chunked" in headers.get(b"transfer-encoding", b"").lower():
            return _refusal(413, "body", "chunked request bodies are refused: no endpoint reads a body")
        return None

    @staticmethod
    async def _answer(send: Send, status: int, body: bytes) -> None:
        await send({"type": "http.response.start", "status": status,
                    "headers": [(b"content-type", b"application/json"), (b"content-length", str(len(body)).encode())]})
        await send({"type": "http.response.body", "body": body})
