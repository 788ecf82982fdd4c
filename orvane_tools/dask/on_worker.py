"""Running a function on the engine of the worker thread."""
from __future__ import annotations

import traceback
from collections.abc import Callable
from typing import Concatenate, ParamSpec, TypeVar

import orvane
from orvane_tools.data import EngineSpec

P = ParamSpec("P")
R = TypeVar("R")

_PLAIN = (str, int, float, bool, bytes, type(None))


def detached(error: BaseException) -> BaseException:
    """A fresh exception of the same type and message as `error`, with no
    traceback, cause or context, so it holds none of the frames (and none of
    the engines in them) that `error` holds; the finished frames of `error`
    and of the errors chained to it are cleared of their variables, so that
    a reference cycle through them cannot keep an engine for the collector to
    drop later on another thread. Arguments and attributes that are not
    plain values are not carried over; where the type cannot be rebuilt from
    plain arguments, a `RuntimeError` names it.

    >>> fresh = detached(KeyError("sun"))
    >>> type(fresh).__name__, fresh.args, fresh.__traceback__
    ('KeyError', ('sun',), None)
    """
    _clear_frames(error)
    kind = type(error)
    if all(isinstance(argument, _PLAIN) for argument in error.args):
        try:
            fresh = kind(*error.args)
            if type(fresh) is kind and fresh.args == error.args:
                fresh.__dict__.update((name, value) for name, value in vars(error).items() if isinstance(value, _PLAIN))
                return fresh
        except Exception:  # a constructor of its own: fall through to a plain error
            pass
    return RuntimeError(f"{kind.__name__}: {error}")


def _clear_frames(error: BaseException) -> None:
    seen: set[int] = set()
    pending: list[BaseException | None] = [error]
    while pending:
        current = pending.pop()
        if current is None or id(current) in seen:
            continue
        seen.add(id(current))
        if current.__traceback__ is not None:
            traceback.clear_frames(current.__traceback__)
        pending += [current.__cause__, current.__context__]


def call_with_engine(spec: EngineSpec, function: Callable[Concatenate[orvane.Engine, P], R],
                     *args: P.args, **kwargs: P.kwargs) -> R:
    """`function(engine, ...)` on this thread's engine for `spec`.

    Whatever it raises is raised again as a fresh error of the same type and
    message (see `detached`) from outside the handler, so no frame below this
    one survives: Dask keeps a failed task's error on the worker, and frames
    that refer to the engine would keep it alive past its thread, to be
    released on another one.
    """
    failure: BaseException | None = None
    try:
        return function(spec.engine(), *args, **kwargs)
    except BaseException as error:
        failure = detached(error)
    raise failure
