#pragma once

#include "core/cartesian_state.hpp"

namespace orvane {

// Light deflection by one body of this mass (in solar masses) for an observer
// and the body at these barycentric states (km, km/s), the target at
// `relative` from the observer (ERFA ld, the target at its own distance): the
// position turned, its length kept, the velocity its exact derivative.
// `limiter` keeps the deflection finite as the target passes behind the
// body (ERFA's dlim, in units of 1 − cos of the angle from the body).
CartesianState apply_body_deflection(const CartesianState& relative, const CartesianState& observer,
                                     const CartesianState& body, double mass_ratio, double limiter);

// The same for a source at infinity, a star (ERFA ld called with q = p, as
// ERFA atciq does): the direction from the body to the source is the
// direction from the observer.
CartesianState apply_body_deflection_of_distant_source(const CartesianState& relative, const CartesianState& observer,
                                                      const CartesianState& body, double mass_ratio, double limiter);

}  // namespace orvane
