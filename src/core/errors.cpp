#include "core/errors.hpp"

#include "core/text/text_forms.hpp"

namespace orvane {

std::string_view message(CoordinateError error) {
    switch (error) {
        case CoordinateError::NonFiniteState: return "Cartesian state must be finite";
        case CoordinateError::UndefinedAtOrigin: return "spherical position is undefined at origin";
        case CoordinateError::UndefinedOnZAxis: return "spherical longitude is undefined on the z axis";
        case CoordinateError::InvalidLatitude: return "geodetic latitude must be finite and within [-90, 90] degrees";
        case CoordinateError::UndefinedHouseCusps:
            return "house cusps are undefined for this system at the requested latitude";
        case CoordinateError::SunDeclinationNeeded:
            return "this house system needs the Sun's declination (sun_declination_deg)";
        case CoordinateError::InvalidSunDeclination:
            return "the Sun's declination must be finite and within [-90, 90] degrees";
    }
    return "Cartesian state must be finite";
}

std::string TimeConversionError::message() const {
    if (kind == Kind::NonFiniteJulianDay) return "Julian day must be finite";
    std::string text = "conversion from ";
    text += name(scale);
    text += " to TDB is not implemented";
    return text;
}

OrvaneError OrvaneError::unsupported_body(Body body) {
    OrvaneError error;
    error.kind = Kind::UnsupportedBody;
    error.body = body;
    return error;
}

OrvaneError OrvaneError::out_of_range(double julian_day, double start, double end, TimeScale scale) {
    OrvaneError error;
    error.kind = Kind::OutOfRange;
    error.julian_day = julian_day;
    error.start = start;
    error.end = end;
    error.scale = scale;
    return error;
}

OrvaneError OrvaneError::invalid_request(std::string text) {
    OrvaneError error;
    error.kind = Kind::InvalidRequest;
    error.text = std::move(text);
    return error;
}

OrvaneError OrvaneError::invalid_request(CoordinateError coordinate_error) {
    OrvaneError error = invalid_request(std::string(orvane::message(coordinate_error)));
    if (coordinate_error == CoordinateError::UndefinedHouseCusps) error.subject = Subject::UndefinedHouseCusps;
    return error;
}

OrvaneError OrvaneError::outside_eop_coverage(std::string text, double utc_julian_day, double first_utc_julian_day,
                                              double last_utc_julian_day) {
    OrvaneError error = time_conversion(std::move(text));
    error.subject = Subject::OutsideEopCoverage;
    error.julian_day = utc_julian_day;
    error.start = first_utc_julian_day;
    error.end = last_utc_julian_day;
    return error;
}

OrvaneError OrvaneError::time_conversion(std::string text) {
    OrvaneError error;
    error.kind = Kind::TimeConversion;
    error.text = std::move(text);
    return error;
}

OrvaneError OrvaneError::non_finite_state(std::int32_t target, double tdb_julian_day) {
    for (std::size_t b = 0; b < BODY_COUNT; ++b) {
        if (naif_code(static_cast<Body>(b)) == target) return non_finite_state(static_cast<Body>(b), tdb_julian_day);
    }
    return backend("non-finite state of body " + integer_text(target) + " at TDB Julian day " +
                   debug_float(tdb_julian_day));
}

OrvaneError OrvaneError::non_finite_state(Body body, double tdb_julian_day) {
    std::string text = "non-finite state of ";
    text += name(body);
    text += " at TDB Julian day ";
    text += debug_float(tdb_julian_day);
    return backend(std::move(text));
}

OrvaneError OrvaneError::backend(std::string text) {
    OrvaneError error;
    error.kind = Kind::Backend;
    error.text = std::move(text);
    return error;
}

std::string OrvaneError::message() const {
    switch (kind) {
        case Kind::UnsupportedBody: return std::string("unsupported body: ") + std::string(name(body));
        case Kind::OutOfRange: {
            std::string out = "Julian day " + plain_float(julian_day) + " is outside kernel range ";
            out += plain_float(start) + ".." + plain_float(end) + " ";
            out += name(scale);
            return out;
        }
        case Kind::InvalidRequest:
        case Kind::TimeConversion:
        case Kind::Backend: return text;
    }
    return text;
}

}  // namespace orvane
