"""Position options that travel between processes.

An `orvane.PositionOptions` cannot be pickled and does not expose its
correction switches, so work shipped to another process carries this plain
description instead and builds the options where the engine lives.
"""
from __future__ import annotations

import dataclasses

import orvane


@dataclasses.dataclass(frozen=True)
class OptionsSpec:
    """The arguments of `orvane.PositionOptions`, with the observer as
    (longitude_east_deg, latitude_deg, height_m)."""

    origin: str
    coordinate_system: str
    reference_epoch: str = "j2000"
    apparent: bool = False
    true_ecliptic: bool = False
    light_time: bool = False
    aberration: bool = False
    gravitational_deflection: bool = False
    precession: bool = False
    nutation: bool = False
    observer: tuple[float, float, float] | None = None

    @classmethod
    def geometric(cls, origin: str = "geocentric", coordinate_system: str = "ecliptic",
                  observer: orvane.GeodeticObserver | None = None) -> OptionsSpec:
        """What `orvane.geometric` asks for."""
        return cls(origin, coordinate_system, observer=_observer_values(observer))

    @classmethod
    def apparent_place(cls, origin: str = "geocentric", coordinate_system: str = "ecliptic",
                       observer: orvane.GeodeticObserver | None = None) -> OptionsSpec:
        """What `orvane.apparent` asks for."""
        return cls(origin, coordinate_system, "of_date", apparent=True, observer=_observer_values(observer))

    def build(self) -> orvane.PositionOptions:
        """The options themselves; any refusal is the module's own error."""
        observer = None if self.observer is None else orvane.GeodeticObserver(*self.observer)
        return orvane.PositionOptions(
            self.origin, self.coordinate_system, self.reference_epoch, apparent=self.apparent,
            true_ecliptic=self.true_ecliptic, light_time=self.light_time, aberration=self.aberration,
            gravitational_deflection=self.gravitational_deflection, precession=self.precession,
            nutation=self.nutation, observer=observer)


def _observer_values(observer: orvane.GeodeticObserver | None) -> tuple[float, float, float] | None:
    if observer is None:
        return None
    return (observer.longitude_east_deg, observer.latitude_deg, observer.height_m)
