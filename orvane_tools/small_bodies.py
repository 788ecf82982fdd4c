"""Where the small bodies the companion knows by name come from, and the
refusal that says what to install when an Engine has no kernel that could
hold one: given before the engine is asked, whose own message names only
the body's NAIF id and the centre chain it could not continue.

The asteroids of :data:`orvane_tools.choices.SMALL_BODIES` are in JPL's
small-body kernel (the extra ``orvane[asteroids]``); Chiron and Pholus in the
centaur kernel shipped inside this package (1800 to 2400).
"""

from __future__ import annotations

import re
from collections.abc import Iterable

import orvane

from orvane_tools.choices import SMALL_BODIES
from orvane_tools.data import CENTAUR_KERNEL, PLANET_CENTRE_KERNEL, default_small_bodies

#: The centaurs of the kernel shipped inside this package.
CENTAURS: tuple[str, ...] = ("chiron", "pholus")
#: The asteroids of JPL's small-body kernel that the module knows by name.
ASTEROIDS: tuple[str, ...] = tuple(name for name in SMALL_BODIES if name not in CENTAURS)
#: What installs JPL's small-body kernel for the default Engine.
INSTALL_ASTEROIDS = 'pip install "orvane[asteroids]"'



def _spelling_key(name: str) -> str:
    """A name as the module matches it: case, spaces, hyphens and underscores aside."""
    return re.sub(r"[\s_-]+", "", name).lower()


# Each spelling key of a known small body -> its canonical name.
_KNOWN: dict[str, str] = {_spelling_key(name): name for name in (*ASTEROIDS, *CENTAURS)}

# JPL's planetary ephemerides (de421.bsp, de440s.bsp, ...) hold the Sun, the
# Moon and the planets only; the shipped planet-centre kernel the planets' centres.
_PLANETARY = re.compile(r"de\d+[a-z]*\.bsp", re.IGNORECASE)


class MissingBodyKernelError(ValueError):
    """A body asked for by name that none of the Engine's kernels holds; the
    message says what to install or attach. ``body`` is the name."""

    def __init__(self, body: str, message: str) -> None:
        super().__init__(message)
        self.body = body


def missing_kernel_message(engine: orvane.Engine, body: str | int) -> str | None:
    """Why `engine` cannot serve `body`, with what to install, when `body`
    is an asteroid or centaur named in :data:`~orvane_tools.choices.SMALL_BODIES`
    (or Pholus) and the Engine holds only the default planetary kernels; None
    otherwise (other bodies, NAIF ids, or a kernel of the caller's that may
    hold it: the engine answers for those).

    >>> from orvane_tools.data import default_engine
    >>> missing_kernel_message(default_engine(small_bodies=False), "Ceres")
    'ceres is in JPL\\'s small-body kernel, which is not installed: pip install "orvane[asteroids]"'
    >>> missing_kernel_message(default_engine(), "mars") is None
    True
    """
    known = _KNOWN.get(_spelling_key(str(body)))
    if known is None:
        return None
    name = str(body).strip().lower()  # as the caller spelled it
    metadata = engine.kernel_metadata
    attached = {kernel_name for kernel_name, _ in metadata.additional_kernels()}
    shipped = {PLANET_CENTRE_KERNEL.name, CENTAUR_KERNEL.name}
    if not _PLANETARY.fullmatch(metadata.kernel_name) or attached - shipped:
        return None  # a kernel of the caller's may hold it
    if known in CENTAURS:
        if CENTAUR_KERNEL.name in attached:
            return None  # the engine answers for dates outside 1800 to 2400
        return (f"{name} is in the centaur kernel shipped with orvane_tools (1800 to 2400), which this Engine "
                "lacks: open it with default_engine() (centaurs=True), or reinstall orvane (pip install orvane)")
    if default_small_bodies() is None:
        return f"{name} is in JPL's small-body kernel, which is not installed: {INSTALL_ASTEROIDS}"
    return (f"{name} is in JPL's small-body kernel, which is installed but not attached to this Engine: "
            "open it with default_engine() (small_bodies=True)")


def require_kernels(engine: orvane.Engine, bodies: Iterable[str | int]) -> None:
    """Raises :class:`MissingBodyKernelError` for the first named small body
    that `engine` cannot hold (see :func:`missing_kernel_message`).

    >>> require_kernels(default_engine(), ["sun", "chiron"])  # doctest: +SKIP
    """
    for body in bodies:
        message = missing_kernel_message(engine, body)
        if message is not None:
            raise MissingBodyKernelError(_KNOWN[_spelling_key(str(body))], message)
