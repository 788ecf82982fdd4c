#include "core/fundamental_arguments.hpp"

#include <cmath>

#include "core/constants.hpp"

namespace orvane {

namespace {

constexpr double ARCSEC_PER_TURN = 1296000.0;

// a + b T in arcseconds, remainder by a full turn with the sign of the
// dividend, in radians.
double argument_rad(double a, double b, double t) {
    return std::fmod(std::fma(b, t, a), ARCSEC_PER_TURN) * ARCSEC_TO_RAD;
}

}  // namespace

DelaunayArguments delaunay_arguments_iau2000b(double t_centuries) {
    return {argument_rad(485868.249036, 1717915923.2178, t_centuries),
            argument_rad(1287104.79305, 129596581.0481, t_centuries),
            argument_rad(335779.526232, 1739527262.8478, t_centuries),
            argument_rad(1072260.70369, 1602961601.209, t_centuries),
            moon_node_longitude_iau2000b_rad(t_centuries)};
}

double moon_node_longitude_iau2000b_rad(double t_centuries) {
    return argument_rad(450160.398036, -6962890.5431, t_centuries);
}

}  // namespace orvane
