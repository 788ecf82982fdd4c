"""Names a command-line flag may take, drawn from the module's own vocabulary,
and the argparse types that check them: a refusal lists the valid names and
suggests the closest one."""

from __future__ import annotations

import argparse
import difflib
from collections.abc import Callable, Sequence

import orvane

from orvane_tools.chart import BODIES

#: Bodies known to the module by name besides the eleven: the asteroids of JPL's
#: small-body kernel and the centaurs (any NAIF id serves too), as the module lists them.
SMALL_BODIES: tuple[str, ...] = orvane.SMALL_BODIES
BODY_NAMES: tuple[str, ...] = (*BODIES, *(name for name in orvane.BODIES if name not in BODIES), *SMALL_BODIES)


def names_of(kind: type) -> tuple[str, ...]:
    """The canonical names of an enum-like class of the module: its argument-free class methods, in order.

    >>> names_of(orvane.SiderealMode)[:2]
    ('lahiri', 'fagan_bradley')
    """
    return tuple(name for name, member in vars(kind).items()
                 if not name.startswith("_") and type(member).__name__ == "classmethod_descriptor")


def refusal(what: str, text: str, valid: Sequence[str]) -> str:
    """The message for a name outside ``valid``: the valid names, and the closest one if any is close.

    >>> refusal("house system", "placidos", ("placidus", "koch"))
    "unknown house system 'placidos' (did you mean 'placidus'?); choose from: placidus, koch"
    """
    close = difflib.get_close_matches(text.strip().lower(), valid, n=1, cutoff=0.6)
    hint = f" (did you mean {close[0]!r}?)" if close else ""
    return f"unknown {what} {text!r}{hint}; choose from: {', '.join(valid)}"


def one_of(what: str, valid: Sequence[str]) -> Callable[[str], str]:
    """An argparse type taking one of ``valid`` (white space and case aside).

    >>> one_of("format", ("table", "csv"))(" CSV ")
    'csv'
    """
    def check(text: str) -> str:
        normalised = text.strip().lower()
        if normalised not in valid:
            raise argparse.ArgumentTypeError(refusal(what, text, valid))
        return normalised

    check.__name__ = what  # argparse names the type in some messages
    return check


def enum_name(what: str, kind: type) -> Callable[[str], str]:
    """An argparse type taking a name the enum-like class ``kind`` accepts
    (with its spellings, such as whole-sign), returning the canonical name.

    >>> enum_name("house system", orvane.HouseSystem)("Whole-Sign")
    'whole_sign'
    """
    valid = names_of(kind)

    def check(text: str) -> str:
        try:
            name: str = kind(text).name
        except ValueError:
            raise argparse.ArgumentTypeError(refusal(what, text, valid)) from None
        return name

    check.__name__ = what
    return check


def body_list(text: str) -> list[str]:
    """Comma-separated bodies: names the module knows or NAIF ids.

    >>> body_list("Sun, moon,2000001")
    ['sun', 'moon', '2000001']
    """
    bodies = [part.strip().lower() for part in text.split(",") if part.strip()]
    if not bodies:
        raise argparse.ArgumentTypeError("--bodies needs at least one body")
    known = {_joined(name) for name in BODY_NAMES}
    for body in bodies:
        if _joined(body) not in known and not body.lstrip("-").isdigit():
            raise argparse.ArgumentTypeError(refusal("body", body, BODY_NAMES) + ", or a NAIF id")
    return bodies


def _joined(name: str) -> str:
    """A name with its words written together, as the module matches them ("52 europa" -> "52europa")."""
    return name.replace("_", "").replace("-", "").replace(" ", "")


def kind_list(valid: Sequence[str]) -> Callable[[str], list[str]]:
    """An argparse type for comma-separated names out of ``valid``.

    >>> kind_list(("new_moon", "full_moon"))("full_moon")
    ['full_moon']
    """
    single = one_of("event kind", valid)

    def check(text: str) -> list[str]:
        return [single(part) for part in text.split(",") if part.strip()]

    check.__name__ = "event kinds"
    return check
