#include "time/modelled_time.hpp"

#include <algorithm>
#include <cmath>

#include "core/constants.hpp"

namespace orvane {

namespace {

constexpr int REFINEMENTS = 3;

}  // namespace

const char* ut1_source_name(Ut1Source source) {
    switch (source) {
        case Ut1Source::Measured: return "measured";
        case Ut1Source::Predicted: return "predicted";
        case Ut1Source::Model: return "model";
    }
    return "model";
}

ModelledTime::ModelledTime(const LeapSecondKernel& leap_seconds, const EarthOrientationTable* eop,
                           const TimeModel& model)
    : leap_seconds_(leap_seconds), eop_(eop), model_(model) {
    if (eop_ == nullptr) return;
    auto samples = eop_->samples();
    auto delta_t_at = [&](const EopSample& sample) {
        const double tt = tt_from_utc(sample.utc_jd);
        return std::pair{delta_t_year(tt), tt_minus_utc(sample.utc_jd) - sample.dut1_seconds};
    };
    // Skyfield's slope: the change over the last 366 daily rows x 366 / 365.
    const std::size_t lookback = std::min<std::size_t>(366, samples.size());
    auto [first_year, first_seconds] = delta_t_at(samples.front());
    auto [last_year, last_seconds] = delta_t_at(samples.back());
    const double before = delta_t_at(samples[samples.size() - lookback]).second;
    measured_ = MeasuredDeltaTEnds{first_year, first_seconds, last_year, last_seconds,
                                   (last_seconds - before) * static_cast<double>(lookback) / 365.0};
}

bool ModelledTime::table_covers(double utc_julian_day) const {
    return eop_ != nullptr && utc_julian_day >= eop_->first_utc_jd() && utc_julian_day <= eop_->last_utc_jd();
}

double ModelledTime::modelled_delta_t(double tt_julian_day) const {
    return orvane::modelled_delta_t(model_.delta_t, measured_, delta_t_year(tt_julian_day));
}

double ModelledTime::tt_from_ut1_by_model(double ut1_julian_day) const {
    // Delta T is a function of TT: a fixed point, its rate below 1e-8.
    double tt = ut1_julian_day;
    for (int k = 0; k <= REFINEMENTS; ++k) tt = ut1_julian_day + modelled_delta_t(tt) / SECONDS_PER_DAY;
    return tt;
}

double ModelledTime::tt_minus_utc(double utc_julian_day) const {
    const double dta = leap_seconds_.delta_t_a();
    const auto entries = leap_seconds_.entries();
    if (utc_julian_day >= entries.front().utc_jd) return *leap_seconds_.delta_at(utc_julian_day) + dta;
    if (auto offset = model_.early_utc.tai_minus_utc(utc_julian_day)) return *offset + dta;
    if (utc_julian_day >= model_.early_utc.first_utc_julian_day()) return entries.front().delta_at + dta;
    // Before 1960 civil time is UT: UTC is UT1.
    return (tt_from_ut1_by_model(utc_julian_day) - utc_julian_day) * SECONDS_PER_DAY;
}

double ModelledTime::tt_from_utc(double utc_julian_day) const {
    if (utc_julian_day < model_.early_utc.first_utc_julian_day()) return tt_from_ut1_by_model(utc_julian_day);
    return utc_julian_day + tt_minus_utc(utc_julian_day) / SECONDS_PER_DAY;
}

double ModelledTime::utc_from_tt(double tt_julian_day) const {
    const auto entries = leap_seconds_.entries();
    const double dta = leap_seconds_.delta_t_a();
    const double kernel_start = entries.front().utc_jd + (entries.front().delta_at + dta) / SECONDS_PER_DAY;
    if (tt_julian_day >= kernel_start) {
        auto utc = leap_seconds_.utc_julian_day_from_tt(tt_julian_day);
        if (utc) return *utc;
    }
    const double early_start = model_.early_utc.first_utc_julian_day();
    if (tt_julian_day < tt_from_utc(early_start)) return tt_julian_day - modelled_delta_t(tt_julian_day) / SECONDS_PER_DAY;
    // The offset's rate is below 3e-8: a few refinements settle it. TT
    // inside the 0.1 s inserted at 1972-01-01 gives that midnight.
    double utc = tt_julian_day - tt_minus_utc(early_start) / SECONDS_PER_DAY;
    for (int k = 0; k < REFINEMENTS; ++k) {
        utc = tt_julian_day - tt_minus_utc(std::min(utc, entries.front().utc_jd)) / SECONDS_PER_DAY;
    }
    return std::min(utc, entries.front().utc_jd);
}

double ModelledTime::ut1_from_utc(double utc_julian_day) const {
    if (table_covers(utc_julian_day)) {
        auto ut1 = eop_->ut1_julian_day_from_utc(utc_julian_day);
        if (ut1) return *ut1;
    }
    if (utc_julian_day < model_.early_utc.first_utc_julian_day()) return utc_julian_day;
    const double tt = tt_from_utc(utc_julian_day);
    return tt - modelled_delta_t(tt) / SECONDS_PER_DAY;
}

double ModelledTime::utc_from_ut1(double ut1_julian_day) const {
    if (eop_ != nullptr) {
        auto utc = eop_->utc_julian_day_from_ut1(ut1_julian_day);
        if (utc) return *utc;
    }
    if (ut1_julian_day < model_.early_utc.first_utc_julian_day()) return ut1_julian_day;
    return utc_from_tt(tt_from_ut1_by_model(ut1_julian_day));
}

double ModelledTime::tt_from_ut1(double ut1_julian_day) const {
    if (eop_ != nullptr) {
        auto utc = eop_->utc_julian_day_from_ut1(ut1_julian_day);
        if (utc) return tt_from_utc(*utc);
    }
    return tt_from_ut1_by_model(ut1_julian_day);
}

double ModelledTime::ut1_from_tt(double tt_julian_day) const {
    const double utc = utc_from_tt(tt_julian_day);
    if (table_covers(utc)) return ut1_from_utc(utc);
    return tt_julian_day - modelled_delta_t(tt_julian_day) / SECONDS_PER_DAY;
}

double ModelledTime::tt(TimeScale scale, double julian_day) const {
    switch (scale) {
        case TimeScale::Utc: return tt_from_utc(julian_day);
        case TimeScale::Ut1: return tt_from_ut1(julian_day);
        case TimeScale::Tt: return julian_day;
        case TimeScale::Tdb: break;
    }
    return tt_seconds_from_tdb_seconds(leap_seconds_.tdb_tt_constants(), (julian_day - J2000_JULIAN_DAY) * SECONDS_PER_DAY) /
               SECONDS_PER_DAY +
           J2000_JULIAN_DAY;
}

double ModelledTime::utc(TimeScale scale, double julian_day) const {
    switch (scale) {
        case TimeScale::Utc: return julian_day;
        case TimeScale::Ut1: return utc_from_ut1(julian_day);
        case TimeScale::Tt:
        case TimeScale::Tdb: break;
    }
    return utc_from_tt(tt(scale, julian_day));
}

double ModelledTime::ut1(TimeScale scale, double julian_day) const {
    switch (scale) {
        case TimeScale::Ut1: return julian_day;
        case TimeScale::Utc: return ut1_from_utc(julian_day);
        case TimeScale::Tt:
        case TimeScale::Tdb: break;
    }
    return ut1_from_tt(tt(scale, julian_day));
}

double ModelledTime::tdb_seconds(TimeScale scale, double julian_day) const {
    if (scale == TimeScale::Tdb) return (julian_day - J2000_JULIAN_DAY) * SECONDS_PER_DAY;
    double tt_seconds = 0.0;
    if (scale == TimeScale::Utc && julian_day >= model_.early_utc.first_utc_julian_day()) {
        tt_seconds = (julian_day - J2000_JULIAN_DAY) * SECONDS_PER_DAY + tt_minus_utc(julian_day);
    } else {
        tt_seconds = (tt(scale, julian_day) - J2000_JULIAN_DAY) * SECONDS_PER_DAY;
    }
    return tdb_seconds_from_tt_seconds(leap_seconds_.tdb_tt_constants(), tt_seconds);
}

Ut1Source ut1_source_in_table(const EarthOrientationTable* eop, double utc_julian_day) {
    if (eop == nullptr || !(utc_julian_day >= eop->first_utc_jd() && utc_julian_day <= eop->last_utc_jd())) {
        return Ut1Source::Model;
    }
    auto samples = eop->samples();
    auto after = std::upper_bound(samples.begin(), samples.end(), utc_julian_day,
                                  [](double day, const EopSample& sample) { return day < sample.utc_jd; });
    const EopSample& at_or_before = *(after - 1);
    const bool between = after != samples.end() && at_or_before.utc_jd != utc_julian_day;
    return at_or_before.predicted || (between && after->predicted) ? Ut1Source::Predicted : Ut1Source::Measured;
}

Ut1Source ModelledTime::ut1_source(double utc_julian_day) const { return ut1_source_in_table(eop_, utc_julian_day); }

PolarMotion ModelledTime::polar_motion(double utc_julian_day) const {
    if (table_covers(utc_julian_day)) {
        auto polar = eop_->polar_motion_arcsec(utc_julian_day);
        if (polar) return *polar;
    }
    return PolarMotion{};
}

}  // namespace orvane
