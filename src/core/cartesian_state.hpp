#pragma once
#include <array>
#include <cmath>

namespace orvane {

// Position (km) and velocity (km/s); the axes are given by context.
struct CartesianState {
    std::array<double, 3> position{};
    std::array<double, 3> velocity{};

    bool is_finite() const {
        for (int i = 0; i < 3; ++i) {
            if (!std::isfinite(position[i]) || !std::isfinite(velocity[i])) return false;
        }
        return true;
    }
};

// Spherical result of a position request.
struct Position {
    double longitude_deg = 0.0;
    double latitude_deg = 0.0;
    double distance_au = 0.0;
    double longitude_speed_deg_per_day = 0.0;
};

}  // namespace orvane
