// Positions of bodies at instants: the one road of every position request,
// from a single call (a batch of one) to arrays of Julian days.
#include <algorithm>
#include <optional>

#include "core/constants.hpp"
#include "core/vector.hpp"
#include "engine/apparent_lanes.hpp"
#include "engine/engine.hpp"
#include "engine/instant_conversion.hpp"
#include "engine/full_corrections.hpp"
#include "engine/instant_frame.hpp"
#include "engine/output_frame.hpp"
#include "engine/positions_through.hpp"
#include "engine/relative_state.hpp"
#include "engine/request_options.hpp"
#include "spk/center_chain.hpp"

namespace orvane {
namespace {

// Instants per chunk: the working tables stay small whatever the batch.
constexpr std::size_t CHUNK = 512;

Vector3 added(const Vector3& a, const Vector3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }

// Whether the options ask for an observer-dependent correction.
bool any_correction(const PositionOptions& resolved) {
    return resolved.corrections.light_time || resolved.corrections.aberration ||
           resolved.corrections.gravitational_deflection;
}

void write_position(const Position& p, double* out) {
    out[0] = p.longitude_deg;
    out[1] = p.latitude_deg;
    out[2] = p.distance_au;
    out[3] = p.longitude_speed_deg_per_day;
}

// The tables one chunk fills, kept by each thread from one request to the
// next so that a request allocates nothing once the thread has served one.
struct BatchTables {
    std::vector<double> epochs;
    std::vector<StateVector> observers;
    std::vector<OutputFrame> frames;
    std::vector<StateVector> origin_states;
    std::vector<StateVector> target_states;
    std::vector<StateVector> sun_states;
    std::vector<DeflectorStates> deflector_states;
    std::vector<double> retarded;
    std::vector<Vector3> observer_accelerations;
    std::vector<Vector3> accelerations;
    std::vector<PlaceEpochs> place_epochs;
    std::vector<Nutation> nutations;
    std::vector<ApparentInstants> apparent_instants;
};

BatchTables& thread_batch_tables() {
    thread_local BatchTables tables;
    return tables;
}

// One batch request: what every chunk shares, and the tables one chunk fills.
class Batch {
public:
    Batch(const SpkOrvane& engine, std::vector<SpkKernel>& kernels, const PositionOptions& resolved,
          std::span<const std::int32_t> codes, InstantList instants, std::span<double> out)
        : engine_(engine), kernels_(kernels), resolved_(resolved), codes_(codes), instants_(instants), out_(out),
          topocentric_(resolved.origin.kind == OriginKind::Topocentric),
          corrected_(any_correction(resolved)),
          origin_(origin_code(resolved.origin.kind)),
          tables_(thread_batch_tables()),
          epochs_(tables_.epochs),
          observers_(tables_.observers),
          frames_(tables_.frames),
          origin_states_(tables_.origin_states),
          target_states_(tables_.target_states),
          sun_states_(tables_.sun_states),
          deflector_states_(tables_.deflector_states),
          retarded_(tables_.retarded),
          observer_accelerations_(tables_.observer_accelerations),
          accelerations_(tables_.accelerations) {}

    // One instant already converted (the list holds it once, any scale).
    Batch(const SpkOrvane& engine, const PositionOptions& resolved, std::span<const std::int32_t> codes,
          const InstantFrame& converted, InstantList instants, std::span<double> out)
        : Batch(engine, engine.kernels, resolved, codes, instants, out) {
        converted_ = &converted;
    }

    std::expected<void, OrvaneError> run() {
        const std::size_t n = instants_.size();
        for (std::size_t begin = 0; begin < n; begin += CHUNK) {
            const std::size_t end = std::min(n, begin + CHUNK);
            auto converted = convert(begin, end);
            if (!converted) return converted;
            auto done = corrected_ ? corrected_chunk(begin) : geometric_chunk(begin);
            if (!done) return std::unexpected(first_failure(begin, end, std::move(done.error())));
        }
        return {};
    }

private:
    // Each instant of [begin, end) once (see instant_frame): its TDB epoch,
    // the observer's state for a place on the Earth, and the output frame.
    // The epochs of the chunk first, then their nutations together, then
    // the rest instant by instant; an instant whose epochs fail ends the
    // chunk after the instants before it are done, which keeps the errors in
    // the instants' order.
    std::expected<void, OrvaneError> convert(std::size_t begin, std::size_t end) {
        epochs_.clear();
        observers_.clear();
        observer_accelerations_.clear();
        frames_.clear();
        if (converted_) {
            for (std::size_t i = begin; i < end; ++i) add_converted(*converted_);
            return {};
        }
        std::vector<PlaceEpochs>& place_epochs = tables_.place_epochs;
        place_epochs.clear();
        std::optional<OrvaneError> failed;
        for (std::size_t i = begin; i < end && !failed; i += TDB_TT_LANES) {
            const std::size_t count = std::min(TDB_TT_LANES, end - i);
            Instant instants[TDB_TT_LANES];
            for (std::size_t k = 0; k < count; ++k) instants[k] = instants_[i + k];
            std::expected<PlaceEpochs, OrvaneError> epochs[TDB_TT_LANES];
            instant_epochs_lanes(engine_, resolved_, instants, count, epochs);
            for (std::size_t k = 0; k < count && !failed; ++k) {
                if (epochs[k]) {
                    place_epochs.push_back(*epochs[k]);
                } else {
                    failed = std::move(epochs[k].error());
                }
            }
        }
        std::vector<Nutation>& nutations = tables_.nutations;
        nutations.resize(place_epochs.size());
        instant_nutations(resolved_, place_epochs, nutations);
        for (std::size_t k = 0; k < place_epochs.size(); ++k) {
            auto converted = instant_frame(engine_, resolved_, place_epochs[k], nutations[k]);
            if (!converted) return std::unexpected(std::move(converted.error()));
            add_converted(*converted);
        }
        if (failed) return std::unexpected(std::move(*failed));
        return {};
    }

    void add_converted(const InstantFrame& converted) {
        epochs_.push_back(converted.tdb_seconds);
        if (topocentric_) {
            observers_.push_back(converted.observer);
            observer_accelerations_.push_back(converted.observer_acceleration);
        }
        frames_.push_back(converted.frame);
    }

    double tdb_julian_day(std::size_t i) const { return epochs_[i] / SECONDS_PER_DAY + J2000_JULIAN_DAY; }

    // The origin's barycentric states at the chunk's epochs, observer added;
    // with `with_accelerations`, its accelerations from the same evaluations
    // into accelerations_, the observer's own added.
    std::expected<void, OrvaneError> origin_states(bool with_accelerations = false) {
        const std::size_t n = epochs_.size();
        if (with_accelerations) accelerations_.resize(n);
        auto states = chain_states(origin_, epochs_, origin_states_,
                                   with_accelerations ? std::span<Vector3>(accelerations_) : std::span<Vector3>());
        if (!states) return std::unexpected(spk_orvane_error(states.error()));
        if (topocentric_) {
            for (std::size_t i = 0; i < n; ++i) {
                origin_states_[i] = add_states(origin_states_[i], observers_[i]);
                if (with_accelerations) accelerations_[i] = added(accelerations_[i], observer_accelerations_[i]);
            }
        }
        return {};
    }

    // Barycentric states of a body at the epochs into `states`, resized to
    // them, and its accelerations when `accelerations` is not empty.
    std::expected<void, SpkError> chain_states(std::int32_t body, std::span<const double> epochs,
                                               std::vector<StateVector>& states,
                                               std::span<Vector3> accelerations = {}) {
        states.resize(epochs.size());
        return barycentric_states_into(kernels_, body, epochs, states, accelerations);
    }

    // Without observer-dependent corrections: every body's states from one
    // chain evaluation over the chunk's epochs, then the spherical
    // conversions, in lanes of neighbouring instants, body by body.
    std::expected<void, OrvaneError> geometric_chunk(std::size_t begin) {
        auto origin = origin_states();
        if (!origin) return origin;
        const std::size_t bodies = codes_.size();
        std::optional<OrvaneError> conversion;
        std::size_t conversion_at = 0;
        const std::vector<ApparentInstants>& groups = apparent_groups(false);
        const ApparentSettings settings{false, false, frames_[0].kind, frames_[0].rotation.equatorial};
        for (std::size_t j = 0; j < bodies; ++j) {
            auto states = chain_states(codes_[j], epochs_, target_states_);
            if (!states) return std::unexpected(spk_orvane_error(states.error()));
            for (std::size_t g = 0; g < groups.size(); ++g) {
                // The conversions in lanes; a failing lane's error from the scalar road.
                Position positions[APPARENT_LANES];
                const std::size_t first = g * APPARENT_LANES;
                const unsigned failed =
                    apparent_positions(groups[g], &target_states_[first], nullptr, nullptr, false, settings, positions);
                for (std::size_t k = 0; k < groups[g].count; ++k) {
                    const std::size_t i = first + k;
                    const std::size_t at = (begin + i) * bodies + j;
                    if ((failed >> k & 1u) == 0) {
                        write_position(positions[k], &out_[4 * at]);
                        continue;
                    }
                    auto position = position_from_state(subtract_states(target_states_[i], origin_states_[i]),
                                                        frames_[i], codes_[j], tdb_julian_day(i));
                    if (position) {
                        write_position(*position, &out_[4 * at]);
                    } else if (!conversion || at < conversion_at) {
                        conversion = position.error();
                        conversion_at = at;
                    }
                }
            }
        }
        if (conversion) return std::unexpected(std::move(*conversion));
        return {};
    }

    // With corrections: link by link over the chunk's epochs; when anything
    // fails there, instant by instant, which meets the errors in their order.
    std::expected<void, OrvaneError> corrected_chunk(std::size_t begin) {
        if (codes_.empty()) return {};
        if (corrected_chunk_by_links(begin)) return {};
        return corrected_chunk_by_instants(begin);
    }

    // Instant by instant, to find the first error: the origin (and the Sun,
    // for deflection) evaluated once and shared by every body.
    std::expected<void, OrvaneError> corrected_chunk_by_instants(std::size_t begin) {
        const StateCorrections corrections = state_corrections(resolved_.corrections, resolved_.model);
        for (std::size_t i = 0; i < epochs_.size(); ++i) {
            std::optional<StateVector> observer_offset;
            if (topocentric_) observer_offset = observers_[i];
            auto origin = origin_at_epoch(kernels_, origin_, epochs_[i], observer_offset, corrections.aberration);
            if (!origin) return std::unexpected(spk_orvane_error(origin.error()));
            if (corrections.aberration && topocentric_) {
                origin->acceleration = added(origin->acceleration, observer_accelerations_[i]);
            }
            for (std::size_t j = 0; j < codes_.size(); ++j) {
                auto state = relative_state_from(kernels_, codes_[j], *origin, corrections);
                if (!state) return std::unexpected(spk_orvane_error(state.error()));
                auto position = position_from_state(*state, frames_[i], codes_[j], tdb_julian_day(i));
                if (!position) return std::unexpected(position.error());
                write_position(*position, &out_[4 * ((begin + i) * codes_.size() + j)]);
            }
        }
        return {};
    }

    // Link by link: each chain evaluated over all the chunk's epochs (the
    // retarded ones of each light-time iteration included), the arithmetic
    // that of relative_state_from, the standard model's in lanes of
    // neighbouring instants (engine/apparent_lanes.hpp). False when anything
    // fails, a lane included.
    bool corrected_chunk_by_links(std::size_t begin) {
        const StateCorrections corrections = state_corrections(resolved_.corrections, resolved_.model);
        const std::size_t n = epochs_.size();
        if (!origin_states(corrections.aberration)) return false;
        if (!corrections.aberration) accelerations_.assign(n, Vector3{});
        bool sun_read = false;
        if (corrections.full && full_model_reads_deflectors(corrections) && !read_deflectors()) return false;
        retarded_.resize(n);
        std::vector<ApparentInstants>& groups = corrections.full ? tables_.apparent_instants : apparent_groups(true);
        const ApparentSettings settings{corrections.light_time, corrections.aberration, frames_[0].kind,
                                        frames_[0].rotation.equatorial};
        for (std::size_t j = 0; j < codes_.size(); ++j) {
            if (corrections.light_time) {
                // The unretarded epochs give only the first retarded one: positions alone.
                target_states_.resize(n);
                if (!barycentric_positions_into(kernels_, codes_[j], epochs_, target_states_)) return false;
                for (std::size_t i = 0; i < n; ++i) {
                    retarded_[i] = epochs_[i] - light_time_seconds(target_states_[i], origin_states_[i]);
                }
                if (!chain_states(codes_[j], retarded_, target_states_)) return false;
                // The standard model settles light time in its lanes.
                for (std::size_t i = 0; i < n && corrections.full; ++i) {
                    target_states_[i] = settle_light_time(target_states_[i], epochs_[i] - retarded_[i], origin_states_[i]);
                }
            } else if (!chain_states(codes_[j], epochs_, target_states_)) {
                return false;
            }
            if (corrections.full) {
                static const DeflectorStates unread{};
                const bool read = full_model_reads_deflectors(corrections);
                for (std::size_t i = 0; i < n; ++i) {
                    const StateVector relative =
                        full_corrected_relative_state(target_states_[i], codes_[j], origin_, origin_states_[i],
                                                      accelerations_[i], read ? deflector_states_[i] : unread,
                                                      corrections);
                    auto position = position_from_state(relative, frames_[i], codes_[j], tdb_julian_day(i));
                    if (!position) return false;
                    write_position(*position, &out_[4 * ((begin + i) * codes_.size() + j)]);
                }
                continue;
            }
            const bool deflected = deflected_by_the_sun(codes_[j], origin_, corrections);
            if (deflected && !sun_read) {
                if (!chain_states(SUN_CODE, epochs_, sun_states_)) return false;
                for (std::size_t g = 0; g < groups.size(); ++g) {
                    gather_apparent_sun(&sun_states_[g * APPARENT_LANES], groups[g]);
                }
                sun_read = true;
            }
            for (std::size_t g = 0; g < groups.size(); ++g) {
                Position positions[APPARENT_LANES];
                const std::size_t first = g * APPARENT_LANES;
                if (apparent_positions(groups[g], &target_states_[first], &epochs_[first], &retarded_[first],
                                       deflected, settings, positions) != 0) {
                    return false;
                }
                for (std::size_t k = 0; k < groups[g].count; ++k) {
                    write_position(positions[k], &out_[4 * ((begin + first + k) * codes_.size() + j)]);
                }
            }
        }
        return true;
    }

    // The chunk's instants in groups of APPARENT_LANES, with what every body
    // shares at them; the origin's accelerations read `with_accelerations`.
    std::vector<ApparentInstants>& apparent_groups(bool with_accelerations) {
        std::vector<ApparentInstants>& groups = tables_.apparent_instants;
        const std::size_t n = epochs_.size();
        groups.resize((n + APPARENT_LANES - 1) / APPARENT_LANES);
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const std::size_t first = g * APPARENT_LANES;
            gather_apparent_instants(&origin_states_[first], with_accelerations ? &accelerations_[first] : nullptr,
                                     &frames_[first], std::min(APPARENT_LANES, n - first), groups[g]);
        }
        return groups;
    }

    // The full model's deflectors at the chunk's epochs; false when a
    // kernel fails.
    bool read_deflectors() {
        const std::size_t n = epochs_.size();
        deflector_states_.resize(n);
        for (std::size_t k = 0; k < FULL_MODEL_DEFLECTORS.size(); ++k) {
            if (!chain_states(FULL_MODEL_DEFLECTORS[k].code, epochs_, sun_states_)) return false;
            for (std::size_t i = 0; i < n; ++i) deflector_states_[i][k] = sun_states_[i];
        }
        return true;
    }

    // The first error of the whole batch, given that the chunks before
    // [begin, end) succeeded and this one failed with `error`: every
    // instant's conversion comes first; on the geometric road the kernel
    // evaluations of the origin, then of each body, over all epochs, come
    // before any spherical conversion. The failure path may repeat work.
    OrvaneError first_failure(std::size_t begin, std::size_t end, OrvaneError error) {
        const std::size_t n = instants_.size();
        for (std::size_t from = end; from < n; from += CHUNK) {
            auto converted = convert(from, std::min(n, from + CHUNK));
            if (!converted) return std::move(converted.error());
        }
        if (corrected_) return error;
        for (std::size_t k = 0; k <= codes_.size(); ++k) {
            const std::int32_t code = k == 0 ? origin_ : codes_[k - 1];
            for (std::size_t from = begin; from < n; from += CHUNK) {
                (void)convert(from, std::min(n, from + CHUNK));
                auto states = chain_states(code, epochs_, target_states_);
                if (!states) return spk_orvane_error(states.error());
            }
        }
        return error;
    }

    const SpkOrvane& engine_;
    std::vector<SpkKernel>& kernels_;
    const PositionOptions& resolved_;
    std::span<const std::int32_t> codes_;
    InstantList instants_;
    std::span<double> out_;
    bool topocentric_;
    bool corrected_;
    std::int32_t origin_;
    BatchTables& tables_;
    std::vector<double>& epochs_;
    std::vector<StateVector>& observers_;
    std::vector<OutputFrame>& frames_;
    std::vector<StateVector>& origin_states_;
    std::vector<StateVector>& target_states_;
    std::vector<StateVector>& sun_states_;
    std::vector<DeflectorStates>& deflector_states_;
    std::vector<double>& retarded_;
    std::vector<Vector3>& observer_accelerations_;
    std::vector<Vector3>& accelerations_;
    const InstantFrame* converted_ = nullptr;
};

// One body at one instant with the standard model's corrections: the
// batch's road (Batch::corrected_chunk_by_links) for a chunk of one, the same
// functions in the same order, without its tables. Empty when anything
// fails: the batch's road then finds the error in its order.
std::optional<Position> apparent_at_one_instant(std::vector<SpkKernel>& kernels, const PositionOptions& resolved,
                                                std::int32_t body, const InstantFrame& converted,
                                                const StateCorrections& corrections) {
    const std::int32_t origin = origin_code(resolved.origin.kind);
    const double epoch = converted.tdb_seconds;
    const std::span<const double> epochs(&epoch, 1);
    StateVector origin_state;
    Vector3 acceleration{};
    if (!barycentric_states_into(kernels, origin, epochs, std::span<StateVector>(&origin_state, 1),
                                 corrections.aberration ? std::span<Vector3>(&acceleration, 1) : std::span<Vector3>())) {
        return std::nullopt;
    }
    if (resolved.origin.kind == OriginKind::Topocentric) {
        origin_state = add_states(origin_state, converted.observer);
        if (corrections.aberration) acceleration = added(acceleration, converted.observer_acceleration);
    }
    double retarded = epoch;
    StateVector target;
    if (corrections.light_time) {
        // The unretarded epoch gives only the first retarded one: positions alone.
        if (!barycentric_positions_into(kernels, body, epochs, std::span<StateVector>(&target, 1))) return std::nullopt;
        retarded = epoch - light_time_seconds(target, origin_state);
        if (!barycentric_states_into(kernels, body, std::span<const double>(&retarded, 1),
                                     std::span<StateVector>(&target, 1))) {
            return std::nullopt;
        }
    } else if (!barycentric_states_into(kernels, body, epochs, std::span<StateVector>(&target, 1))) {
        return std::nullopt;
    }
    ApparentInstants group;
    gather_apparent_instants(&origin_state, &acceleration, &converted.frame, 1, group);
    const bool deflected = deflected_by_the_sun(body, origin, corrections);
    if (deflected) {
        StateVector sun;
        if (!barycentric_states_into(kernels, SUN_CODE, epochs, std::span<StateVector>(&sun, 1))) return std::nullopt;
        gather_apparent_sun(&sun, group);
    }
    const ApparentSettings settings{corrections.light_time, corrections.aberration, converted.frame.kind,
                                    converted.frame.rotation.equatorial};
    Position positions[APPARENT_LANES];
    if (apparent_positions(group, &target, &epoch, &retarded, deflected, settings, positions) != 0) {
        return std::nullopt;
    }
    return positions[0];
}

}  // namespace

std::expected<std::size_t, OrvaneError> SpkOrvane::batch_length(std::size_t bodies, std::size_t instants) {
    std::size_t count = 0;
    if (__builtin_mul_overflow(instants, bodies, &count)) {
        return std::unexpected(OrvaneError::invalid_request("batch result length overflowed"));
    }
    return count;
}

std::expected<void, OrvaneError> SpkOrvane::positions_into(std::span<const Body> bodies, InstantList instants,
                                                           const PositionOptions& options,
                                                           std::span<double> out) const {
    std::vector<std::int32_t> targets;
    targets.reserve(bodies.size());
    for (Body body : bodies) targets.push_back(naif_code(body));
    return positions_into(targets, instants, options, out);
}

std::expected<void, OrvaneError> SpkOrvane::positions_into(std::span<const std::int32_t> bodies,
                                                           InstantList instants, const PositionOptions& options,
                                                           std::span<double> out) const {
    return positions_through(*this, kernels, bodies, instants, options, out);
}

std::expected<void, OrvaneError> positions_through(const SpkOrvane& engine, std::vector<SpkKernel>& kernels,
                                                   std::span<const std::int32_t> bodies, InstantList instants,
                                                   const PositionOptions& options, std::span<double> out) {
    auto resolved = resolve_position_options(options);
    if (!resolved) return std::unexpected(resolved.error());
    auto count = SpkOrvane::batch_length(bodies.size(), instants.size());
    if (!count) return std::unexpected(count.error());
    if (out.size() / 4 < *count) return std::unexpected(OrvaneError::invalid_request("batch output is too short"));

    if (resolved->origin.kind != OriginKind::Topocentric) {
        const std::int32_t origin = origin_code(resolved->origin.kind);
        for (std::int32_t body : bodies) {
            if (auto distinct = reject_identical_target_and_center(body, origin); !distinct) {
                return std::unexpected(distinct.error());
            }
        }
    }
    return Batch(engine, kernels, *resolved, bodies, instants, out).run();
}

std::expected<std::vector<Position>, OrvaneError> SpkOrvane::positions(std::span<const Body> bodies,
                                                                       std::span<const Instant> instants,
                                                                       const PositionOptions& options) const {
    std::vector<std::int32_t> targets;
    targets.reserve(bodies.size());
    for (Body body : bodies) targets.push_back(naif_code(body));
    return positions(targets, instants, options);
}

std::expected<std::vector<Position>, OrvaneError> SpkOrvane::positions(std::span<const std::int32_t> bodies,
                                                                       std::span<const Instant> instants,
                                                                       const PositionOptions& options) const {
    auto count = batch_length(bodies.size(), instants.size());
    if (!count) return std::unexpected(count.error());
    std::vector<double> values(4 * *count);
    auto done = positions_into(bodies, instants, options, values);
    if (!done) return std::unexpected(done.error());
    std::vector<Position> result;
    result.reserve(*count);
    for (std::size_t k = 0; k < values.size(); k += 4) {
        result.push_back(Position{values[k], values[k + 1], values[k + 2], values[k + 3]});
    }
    return result;
}

std::expected<Position, OrvaneError> SpkOrvane::position(Body body, Instant instant,
                                                         const PositionOptions& options) const {
    return position(naif_code(body), instant, options);
}

std::expected<Position, OrvaneError> SpkOrvane::position(std::int32_t body, Instant instant,
                                                         const PositionOptions& options) const {
    // A single request converts its instant before refusing a target that is
    // its own origin.
    auto resolved = resolve_position_options(options);
    if (!resolved) return std::unexpected(resolved.error());
    if (resolved->origin.kind != OriginKind::Topocentric && body == origin_code(resolved->origin.kind)) {
        auto seconds = tdb_seconds(*this, instant.time_scale, instant.julian_day);
        if (!seconds) return std::unexpected(seconds.error());
        return std::unexpected(reject_identical_target_and_center(body, body).error());
    }
    // With the standard model's corrections, the road of a chunk of one
    // without the batch's tables; otherwise, or when that fails (to find the
    // error in its order), positions_through's road for the options resolved once.
    const StateCorrections corrections = state_corrections(resolved->corrections, resolved->model);
    if (any_correction(*resolved) && !corrections.full) {
        auto converted = instant_frame(*this, *resolved, instant);
        if (!converted) return std::unexpected(std::move(converted.error()));
        if (auto found = apparent_at_one_instant(kernels, *resolved, body, *converted, corrections)) return *found;
    }
    double values[4];
    auto done = Batch(*this, kernels, *resolved, std::span<const std::int32_t>(&body, 1),
                      std::span<const Instant>(&instant, 1), values)
                    .run();
    if (!done) return std::unexpected(done.error());
    return Position{values[0], values[1], values[2], values[3]};
}

std::expected<Position, OrvaneError> position_at(const SpkOrvane& engine, std::int32_t target,
                                                 const InstantFrame& instant, const PositionOptions& resolved) {
    const Instant unused{};
    double values[4];
    auto done = Batch(engine, resolved, std::span<const std::int32_t>(&target, 1), instant,
                      std::span<const Instant>(&unused, 1), values)
                    .run();
    if (!done) return std::unexpected(done.error());
    return Position{values[0], values[1], values[2], values[3]};
}

}  // namespace orvane
