#pragma once
#include <cstddef>

#include "core/cartesian_state.hpp"
#include "core/frames/lane_of_date_rotation.hpp"
#include "core/vector.hpp"
#include "engine/lane_corrections.hpp"
#include "engine/output_frame.hpp"

// The standard model's apparent place of a body, from its barycentric state
// (retarded by light time) to longitude, latitude, distance and longitude
// speed, at APPARENT_LANES neighbouring instants at once: light time settled,
// the Sun's deflection, aberration, the output frame and the spherical
// conversion, each instant in its own lane. A batch fills every lane; a lone
// instant, or a chunk's last few, fill fewer, the others repeating the first:
// an instant's result does not depend on its lane nor on its neighbours, so
// one instant a call gives the bits of the same instant in a batch.
namespace orvane {

inline constexpr std::size_t APPARENT_LANES = 4;
using ApparentLanes = double __attribute__((vector_size(APPARENT_LANES * sizeof(double))));

// What every body shares at the instants of one group: the observer's
// barycentric state, its velocity over c with the acceleration over c (for
// aberration), the Sun seen from it (for deflection, once given) and the
// output frame's rotation.
// (Aligned to its lanes: as a template argument the vector loses its own alignment.)
struct alignas(sizeof(ApparentLanes)) ApparentInstants {
    std::size_t count = 0;  // lanes filled
    LaneState<ApparentLanes> observer{};
    LaneDual<ApparentLanes> aberration_shift[3]{};
    LaneSunFromObserver<ApparentLanes> sun{};
    LaneOfDateRotation<ApparentLanes> rotation{};
};

// The group of `count` (1 to APPARENT_LANES) instants from their observers'
// barycentric states, accelerations (null: none, without aberration) and
// output frames.
void gather_apparent_instants(const StateVector* observers, const Vector3* accelerations, const OutputFrame* frames,
                              std::size_t count, ApparentInstants& out);

// The Sun's barycentric states at the group's instants, for deflection.
void gather_apparent_sun(const StateVector* suns, ApparentInstants& out);

// How every body of a request is corrected and delivered.
struct ApparentSettings {
    bool light_time = false;
    bool aberration = false;
    OutputFrame::Kind frame = OutputFrame::Kind::J2000Equatorial;
    bool equatorial = true;  // of an OfDate frame
};

// The positions of one body at the group's instants into out[0, count) from
// its barycentric states there (retarded, with light time: read at the epochs
// `retarded`, the instants' own being `epochs`), deflected by the Sun when
// `deflected`. Returns the lanes that failed, bit j for lane j (a state that
// is not finite, or a position at the origin or on the z axis): the caller
// finds their errors by the scalar road; the other lanes are written.
unsigned apparent_positions(const ApparentInstants& instants, const StateVector* targets, const double* epochs,
                            const double* retarded, bool deflected, const ApparentSettings& settings, Position* out);

}  // namespace orvane
