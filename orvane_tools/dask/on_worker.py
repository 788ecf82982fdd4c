"""Running a function on the engine of the worker thread."""
from __future__ import annotations

from collections.abc import Callable
from typing import Concatenate, ParamSpec, TypeVar

import orvane
from orvane_tools.data import EngineSpec

P = ParamSpec("P")
R = TypeVar("R")


def call_with_engine(spec: EngineSpec, function: Callable[Concatenate[orvane.Engine, P], R],
                     *args: P.args, **kwargs: P.kwargs) -> R:
    """`function(engine, ...)` on this thread's engine for `spec`.

    A `ValueError` (every engine failure is one) is raised again as a fresh
    error with the same message and no frames below this one: Dask keeps a
    failed task's error on the worker, and frames that refer to the engine
    would keep it alive past its thread, to be released on another one.
    """
    failure: tuple[object, ...] | None = None
    try:
        return function(spec.engine(), *args, **kwargs)
    except ValueError as error:
        failure = error.args
    raise ValueError(*failure)
