#pragma once
#include <cstdint>

#include "core/astrometry_model.hpp"
#include "core/observer/geodetic_observer.hpp"

namespace orvane {

enum class OriginKind : std::uint8_t { Barycentric, Heliocentric, Geocentric, Topocentric };

// Where a position is measured from; the observer is meaningful only when topocentric.
struct Origin {
    OriginKind kind = OriginKind::Geocentric;
    GeodeticObserver observer{};
};

enum class CoordinateSystem : std::uint8_t { Equatorial, Ecliptic };
enum class ReferenceEpoch : std::uint8_t { J2000, OfDate };

struct Corrections {
    bool light_time = false;
    bool aberration = false;
    bool gravitational_deflection = false;
    bool precession = false;
    bool nutation = false;
};

struct PositionOptions {
    Origin origin{};
    CoordinateSystem coordinate_system = CoordinateSystem::Ecliptic;
    ReferenceEpoch reference_epoch = ReferenceEpoch::J2000;
    bool apparent = false;
    bool true_ecliptic = false;
    Corrections corrections{};
    AstrometryModel model = AstrometryModel::Standard;
};

}  // namespace orvane
