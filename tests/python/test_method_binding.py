"""The Engine methods declared once in the binding's method table: the text
signature's defaults are the ones the call uses, the arguments are checked in
their declared order with the names of the declaration and read by their declared types."""
from __future__ import annotations

import inspect
from array import array

import pytest

import orvane
from conftest import ANY_SHA

J2000 = 2451545.0


@pytest.fixture(scope="module")
def engine(de421_path, leap_seconds_path, finals_path):
    return orvane.open(de421_path, ANY_SHA, leap_second_kernel=leap_seconds_path, leap_second_sha256=ANY_SHA,
                       eop=finals_path, eop_sha256=ANY_SHA)


def tt(days: float) -> orvane.Instant:
    return orvane.Instant(J2000 + days, "tt")


OBSERVER = orvane.GeodeticObserver(-0.1, 51.5, 20.0)

# Each method with its required arguments only.
REQUIRED = {
    "sidereal_time": (tt(0.3),),
    "altitude_azimuth": ("moon", OBSERVER, tt(0.3)),
    "lunar_eclipses": (tt(0), tt(366)),
    "local_solar_eclipses": (OBSERVER, tt(0), tt(366)),
    "horizon_events": ("sun", OBSERVER, tt(0), tt(3)),
    "events": ("moon_quarters", tt(0), tt(30)),
}


@pytest.mark.parametrize("name", sorted(REQUIRED))
def test_the_text_signature_defaults_are_the_call_defaults(engine, name):
    method = getattr(engine, name)
    defaults = {p.name: p.default for p in inspect.signature(method).parameters.values()
                if p.default is not inspect.Parameter.empty}
    assert defaults, name
    assert method(*REQUIRED[name], **defaults) == method(*REQUIRED[name])


@pytest.mark.parametrize("call, error, text", [
    # The instant's type is checked before the mode's name is parsed.
    (lambda e: e.ayanamsha("no such mode", 5.0), TypeError, "argument 'instant' must be Instant"),
    # The body's name is parsed after every argument's type was checked.
    (lambda e: e.altitude_azimuth("no such body", OBSERVER, 5.0), TypeError, "argument 'instant'"),
    (lambda e: e.horizon_events("no such body", OBSERVER, tt(0), tt(1), altitude_deg="high"), TypeError,
     "argument 'altitude_deg' must be a real number"),
    # An optional body is parsed at its turn, before the next argument's type.
    (lambda e: e.events("longitude", tt(0), tt(1), body="no such body", angle_deg="east"), ValueError, "no such body"),
    # A number default takes no None; a None default does.
    (lambda e: e.sidereal_time(tt(0), longitude_east_deg=None), TypeError, "argument 'longitude_east_deg'"),
    (lambda e: e.lunar_eclipses(tt(0), tt(1), "espenak"), ValueError, "unknown shadow rule: 'espenak'"),
    (lambda e: e.convert_instant(tt(0), "tcb"), ValueError, "tcb"),
    # A single body's name is parsed before a sidereal mode's or an event kind's.
    (lambda e: e.sidereal_position("no such body", tt(0), orvane.geometric(), "no such mode"), ValueError,
     "no such body"),
    (lambda e: e.next_horizon_event("no such body", OBSERVER, tt(0), "no such kind", "high"), TypeError,
     "argument 'altitude_deg' must be a real number"),
    (lambda e: e.next_horizon_event("sun", OBSERVER, tt(0), "no such kind", 0.0), ValueError, "no such kind"),
    (lambda e: e.next_horizon_event("no such body", OBSERVER, tt(0), "no such kind", 0.0), ValueError,
     "no such body"),
    (lambda e: e.rise_set_transit("no such body", OBSERVER, tt(0), None), TypeError, "argument 'altitude_deg'"),
    # An event kind is parsed at its turn, before the model's type.
    (lambda e: e.next_season_event(tt(0), "no such kind", 5), ValueError, "no such kind"),
    (lambda e: e.next_lunation(tt(0), "full_moon", 5), TypeError, "argument 'model'"),
    # A batch's body names are parsed after every other argument: the days, the scale.
    (lambda e: e.positions(["no such body"], [tt(0)], orvane.geometric(), threads="2"), TypeError,
     "argument 'threads' must be an int or None"),
    (lambda e: e.positions_for_julian_days(["no such body"], array("d", [J2000]), "nonsense", orvane.geometric()),
     ValueError, "nonsense"),
    (lambda e: e.positions_for_julian_days([3.5], array("d", [J2000]), "tt", orvane.geometric()), TypeError,
     "argument 'bodies' must be a sequence of str or int"),
    # The files of an attachment are read once every argument's type was checked.
    (lambda e: e.with_time_kernels("no such file", ANY_SHA, 5, ANY_SHA), TypeError, "argument 'eop' must be str"),
    (lambda e: e.with_eop("no such file", 5), TypeError, "argument 'sha256' must be str"),
])
def test_arguments_are_checked_in_declared_order(engine, call, error, text):
    with pytest.raises(error, match=text):
        call(engine)


@pytest.mark.parametrize("call, text", [
    (lambda e: e.lunar_eclipses(tt(0), tt(1), "danjon", 1), "lunar_eclipses() takes at most 3 arguments (4 given)"),
    (lambda e: e.ut1_source(), "ut1_source() missing required argument 'instant' (pos 1)"),
    (lambda e: e.convert_instant(tt(0), "tt", instant=tt(0)),
     "argument for convert_instant() given by name ('instant') and position (1)"),
    (lambda e: e.solar_eclipses(tt(0), tt(1), shadow_rule="danjon"),
     "solar_eclipses() got an unexpected keyword argument 'shadow_rule'"),
    (lambda e: e.star_positions([1], tt(0), orvane.geometric()), "star_positions() argument 'instants' must be"),
    (lambda e: e.position("moon", tt(0)), "position() missing required argument 'options' (pos 3)"),
    (lambda e: e.positions_for_julian_days(["moon"], array("d"), "tt", orvane.geometric(), 1, 2),
     "positions_for_julian_days() takes at most 5 arguments (6 given)"),
    (lambda e: e.with_leap_second_kernel(path="a", sha256=ANY_SHA, eop="b"),
     "with_leap_second_kernel() got an unexpected keyword argument 'eop'"),
])
def test_argument_matching_names_the_declared_method(engine, call, text):
    with pytest.raises(TypeError) as raised:
        call(engine)
    assert str(raised.value).startswith(text)


def test_a_none_default_and_none_given_agree(engine):
    observer_args = (OBSERVER, tt(0), tt(366))
    assert engine.local_solar_eclipses(*observer_args, horizon_altitude_deg=None) == \
        engine.local_solar_eclipses(*observer_args)
    assert engine.lunar_eclipses(tt(0), tt(366), None) == engine.lunar_eclipses(tt(0), tt(366), "danjon")

