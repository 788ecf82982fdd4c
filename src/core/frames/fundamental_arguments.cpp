#include "core/frames/fundamental_arguments.hpp"

#include <cmath>

#include "core/constants.hpp"
#include "core/fused_multiply_add.hpp"

namespace orvane {

namespace {

constexpr double ARCSEC_PER_TURN = 1296000.0;

// a + b T in arcseconds, remainder by a full turn with the sign of the
// dividend (the value std::fmod gives), in radians. The rounded quotient is
// the number of whole turns or one more; the remainder is then exact,
// |a + b T| staying far below 2^53.
double argument_rad(double a, double b, double t) {
    const double x = std::fma(b, t, a);
    const double turns = std::trunc(x / ARCSEC_PER_TURN);
    double remainder = x - turns * ARCSEC_PER_TURN;
    if (x >= 0.0 ? remainder < 0.0 : remainder > 0.0) remainder = x - (turns - std::copysign(1.0, x)) * ARCSEC_PER_TURN;
    // A whole number of turns leaves a zero with the dividend's sign.
    return std::copysign(remainder, x) * ARCSEC_TO_RAD;
}

}  // namespace

ORVANE_FMA_CLONES DelaunayArguments delaunay_arguments_iau2000b(double t_centuries) {
    return {argument_rad(485868.249036, 1717915923.2178, t_centuries),
            argument_rad(1287104.79305, 129596581.0481, t_centuries),
            argument_rad(335779.526232, 1739527262.8478, t_centuries),
            argument_rad(1072260.70369, 1602961601.209, t_centuries),
            moon_node_longitude_iau2000b_rad(t_centuries)};
}

ORVANE_FMA_CLONES double moon_node_longitude_iau2000b_rad(double t_centuries) {
    return argument_rad(450160.398036, -6962890.5431, t_centuries);
}

}  // namespace orvane
