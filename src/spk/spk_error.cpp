#include "spk/spk_error.hpp"

#include <string_view>

#include "core/text/text_forms.hpp"
#include "core/text/utf8.hpp"

namespace orvane {
namespace {

std::string_view reason_text(SpkError::Reason reason) {
    using R = SpkError::Reason;
    switch (reason) {
        case R::None: return "";
        case R::ZeroSummaryCounts: return "summary component counts must be non-zero";
        case R::SummaryTooLarge: return "packed summary cannot fit in a DAF summary record";
        case R::InconsistentRecordPointers: return "summary record pointers are inconsistent";
        case R::FreeAddressInFileRecord: return "first free address points inside the file record";
        case R::ChainCycle: return "summary record chain contains a cycle";
        case R::ControlWordNotInteger: return "summary control word is not a non-negative integer";
        case R::IncorrectBackwardPointer: return "summary record has an incorrect backward pointer";
        case R::SummaryCountExceedsCapacity: return "summary count exceeds record capacity";
        case R::NameRecordOverflow: return "name record number overflowed";
        case R::ChainEndedEarly: return "summary chain ended before the final summary record";
        case R::NonFiniteTimeBounds: return "time bounds must be finite";
        case R::StartAfterEnd: return "start time is after end time";
        case R::InvalidAddressBounds: return "DAF address bounds are invalid";
        case R::WordAddressesOneBased: return "DAF word addresses are one-based";
        case R::RecordSize: return "record size";
        case R::RecordCount: return "record count";
        case R::InvalidDirectoryEpoch: return "directory epoch and interval length must be finite and valid";
        case R::UnequalCoefficientSets: return "record size does not describe three equal coefficient sets";
        case R::WordCountOverflow: return "segment word count overflowed";
        case R::DirectorySizeMismatch: return "directory size does not match the segment address range";
        case R::EpochBeforeFirstInterval: return "epoch precedes the first polynomial interval";
        case R::EpochNotCovered: return "epoch is not covered by the polynomial intervals";
        case R::RecordAddressOverflow: return "record address overflowed";
        case R::RecordAddressOutOfRange: return "record address exceeds the DAF address range";
        case R::InvalidMidpointRadius: return "record midpoint and radius must be finite and valid";
        case R::RecordDoesNotCover: return "selected record does not cover the requested epoch";
        case R::NonFiniteCoefficients: return "Chebyshev coefficients and argument must be finite";
        case R::UnequalCoefficientSets6: return "record size does not describe six equal coefficient sets";
        case R::WindowSize: return "window size";
        case R::StateCount: return "state count";
        case R::WindowEpochs: return "window epochs and states must be finite and epochs increasing";
        case R::DifferenceLineSize: return "difference line size";
        case R::EpochAfterLastRecord: return "epoch is after the last record";
        case R::IntegrationOrders: return "integration orders";
        case R::NonFiniteDifferenceLine: return "difference line values must be finite";
    }
    return "";
}

SpkError make(SpkError::Kind kind) {
    SpkError error;
    error.kind = kind;
    return error;
}

SpkError with_reason(SpkError::Kind kind, SpkError::Reason reason) {
    SpkError error = make(kind);
    error.reason = reason;
    return error;
}

SpkError with_text(SpkError::Kind kind, std::string text) {
    SpkError error = make(kind);
    error.text = std::move(text);
    return error;
}

}  // namespace

SpkError SpkError::io(std::string text) { return with_text(Kind::Io, std::move(text)); }
SpkError SpkError::invalid_identifier(std::string first_bytes) {
    return with_text(Kind::InvalidIdentifier, std::move(first_bytes));
}
SpkError SpkError::unsupported_daf_format(std::string format) {
    return with_text(Kind::UnsupportedDafFormat, std::move(format));
}
SpkError SpkError::invalid_utf8(std::string field_name) { return with_text(Kind::InvalidUtf8, std::move(field_name)); }
SpkError SpkError::invalid_file_record(Reason reason) { return with_reason(Kind::InvalidFileRecord, reason); }
SpkError SpkError::unsupported_summary_layout(std::uint32_t nd, std::uint32_t ni) {
    SpkError error = make(Kind::UnsupportedSummaryLayout);
    error.nd = nd;
    error.ni = ni;
    return error;
}
SpkError SpkError::invalid_summary_chain(Reason reason) { return with_reason(Kind::InvalidSummaryChain, reason); }
SpkError SpkError::invalid_segment(Reason reason) { return with_reason(Kind::InvalidSegment, reason); }
SpkError SpkError::unsupported_segment_type(std::int32_t data_type) {
    SpkError error = make(Kind::UnsupportedSegmentType);
    error.code = data_type;
    return error;
}
SpkError SpkError::epoch_outside_coverage(double epoch, double start, double end) {
    SpkError error = make(Kind::EpochOutsideCoverage);
    error.epoch = epoch;
    error.start = start;
    error.end = end;
    return error;
}
SpkError SpkError::invalid_type2_segment(Reason reason) { return with_reason(Kind::InvalidType2Segment, reason); }
SpkError SpkError::missing_chain_segment(std::int32_t body, double epoch) {
    SpkError error = make(Kind::MissingChainSegment);
    error.code = body;
    error.epoch = epoch;
    return error;
}
SpkError SpkError::center_chain_cycle(std::int32_t target) {
    SpkError error = make(Kind::CenterChainCycle);
    error.code = target;
    return error;
}

SpkError SpkError::invalid_typed_segment(std::int32_t data_type, Reason reason) {
    SpkError error = with_reason(Kind::InvalidTypedSegment, reason);
    error.code = data_type;
    return error;
}

std::string SpkError::message() const {
    std::string out;
    switch (kind) {
        case Kind::Io: return "failed to read SPK kernel: " + text;
        case Kind::InvalidIdentifier:
            return "expected DAF/SPK file identifier, found " + quoted(decode_utf8_lossy(text));
        case Kind::UnsupportedDafFormat: return "unsupported DAF binary format " + quoted(text);
        case Kind::InvalidUtf8: return "invalid UTF-8 in " + text;
        case Kind::InvalidFileRecord: out = "invalid DAF file record: "; break;
        case Kind::UnsupportedSummaryLayout:
            return "unsupported SPK summary layout ND=" + integer_text(nd) + ", NI=" + integer_text(ni);
        case Kind::InvalidSummaryChain: out = "invalid DAF summary chain: "; break;
        case Kind::InvalidSegment: out = "invalid SPK segment: "; break;
        case Kind::UnsupportedSegmentType: return "unsupported SPK segment type " + integer_text(code);
        case Kind::EpochOutsideCoverage:
            return "TDB epoch " + plain_float(epoch) + " is outside segment coverage [" + plain_float(start) + ", " +
                   plain_float(end) + "]";
        case Kind::InvalidType2Segment: out = "invalid SPK Type 2 segment: "; break;
        case Kind::MissingChainSegment:
            return "no SPK segment continues the center chain from target " + integer_text(code) + " at TDB epoch " +
                   plain_float(epoch);
        case Kind::CenterChainCycle: return "SPK center chain for target " + integer_text(code) + " contains a cycle";
        case Kind::InvalidTypedSegment: out = "invalid SPK Type " + integer_text(code) + " segment: "; break;
    }
    out += reason_text(reason);
    return out;
}

OrvaneError spk_orvane_error(const SpkError& error) { return OrvaneError::backend(error.message()); }

}  // namespace orvane
