"""Positions over Dask arrays of Julian days, one engine call per chunk."""
from __future__ import annotations

from collections.abc import Callable, Sequence

import dask.array as da
import numpy as np
import numpy.typing as npt

import orvane
from orvane_tools.dask.on_worker import call_with_engine
from orvane_tools.dask.options import OptionsSpec
from orvane_tools.data import EngineSpec
from orvane_tools.worker_threads import worker_threads

FloatArray = npt.NDArray[np.float64]
# Dask's functions carry no annotations: their types, as used here.
_as_dask_array: Callable[[object], da.Array] = da.asarray
_map_blocks: Callable[..., da.Array] = da.map_blocks


def positions(spec: EngineSpec, julian_days: da.Array | npt.ArrayLike, time_scale: str,
              bodies: Sequence[str], options: OptionsSpec) -> da.Array:
    """The bodies' positions at the Julian days, as a Dask array of shape
    (n_instants, n_bodies, 4) chunked along the instants like `julian_days`.

    Each chunk is one engine call on the worker thread's own engine, so the
    result equals one `Engine.positions` call over the same instants, bit for
    bit; the call stays on its worker thread (see `worker_threads`). The time scale and the options are checked here; body names and
    coverage are checked by the engine when the chunks are computed.
    """
    days = _as_dask_array(julian_days)
    if days.ndim != 1:
        raise ValueError(f"julian_days must be one-dimensional, not of shape {days.shape}")
    if isinstance(bodies, str):
        raise TypeError("bodies must be a sequence of body names, not one str")
    orvane.Instant(orvane.J2000_JULIAN_DAY, time_scale)
    options.build()
    names = tuple(bodies)
    return _map_blocks(
        _chunk, days, spec, time_scale, names, options,
        new_axis=[1, 2], chunks=(days.chunks[0], (len(names),), (4,)),
        dtype=np.float64, meta=np.empty((0, 0, 0), dtype=np.float64))


def _chunk(julian_days: npt.NDArray[np.generic], spec: EngineSpec, time_scale: str, bodies: tuple[str, ...],
           options: OptionsSpec) -> FloatArray:
    days = np.ascontiguousarray(julian_days, dtype=np.float64).data  # read in place by the engine
    return call_with_engine(spec, orvane.Engine.positions_for_julian_days, bodies, days, time_scale, options.build(),
                            worker_threads())
