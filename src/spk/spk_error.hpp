#pragma once
#include <cstdint>
#include <string>

#include "core/errors.hpp"

namespace orvane {

// The error of the SPK library. Every message is rendered by message(), the one
// place where these texts live.
struct SpkError {
    enum class Kind : std::uint8_t {
        Io,                        // text: the stream error's own text
        InvalidIdentifier,         // text: the first 8 bytes of the file, raw
        UnsupportedDafFormat,      // text: the trimmed format field
        InvalidUtf8,               // text: the name of the text field
        InvalidFileRecord,         // reason
        UnsupportedSummaryLayout,  // nd, ni
        InvalidSummaryChain,       // reason
        InvalidSegment,            // reason
        UnsupportedSegmentType,    // code: the data type
        EpochOutsideCoverage,      // epoch, start, end
        InvalidType2Segment,       // reason
        MissingChainSegment,       // code: the body where the chain broke; epoch
        CenterChainCycle,          // code: the requested target
        InvalidTypedSegment,       // code: the data type; reason
    };

    // Reason texts of the variants that carry one.
    enum class Reason : std::uint8_t {
        None,
        // file record
        ZeroSummaryCounts,
        SummaryTooLarge,
        InconsistentRecordPointers,
        FreeAddressInFileRecord,
        // summary chain
        ChainCycle,
        ControlWordNotInteger,
        IncorrectBackwardPointer,
        SummaryCountExceedsCapacity,
        NameRecordOverflow,
        ChainEndedEarly,
        // segment
        NonFiniteTimeBounds,
        StartAfterEnd,
        InvalidAddressBounds,
        // Type 2 segment
        WordAddressesOneBased,
        RecordSize,
        RecordCount,
        InvalidDirectoryEpoch,
        UnequalCoefficientSets,
        WordCountOverflow,
        DirectorySizeMismatch,
        EpochBeforeFirstInterval,
        EpochNotCovered,
        RecordAddressOverflow,
        RecordAddressOutOfRange,
        InvalidMidpointRadius,
        RecordDoesNotCover,
        NonFiniteCoefficients,
        // Types 3, 13 and 21
        UnequalCoefficientSets6,
        WindowSize,
        StateCount,
        WindowEpochs,
        DifferenceLineSize,
        EpochAfterLastRecord,
        IntegrationOrders,
        NonFiniteDifferenceLine,
    };

    Kind kind = Kind::Io;
    Reason reason = Reason::None;
    std::string text;
    std::uint32_t nd = 0, ni = 0;
    std::int32_t code = 0;
    double epoch = 0.0, start = 0.0, end = 0.0;

    static SpkError io(std::string text);
    static SpkError invalid_identifier(std::string first_bytes);
    static SpkError unsupported_daf_format(std::string format);
    static SpkError invalid_utf8(std::string field_name);
    static SpkError invalid_file_record(Reason reason);
    static SpkError unsupported_summary_layout(std::uint32_t nd, std::uint32_t ni);
    static SpkError invalid_summary_chain(Reason reason);
    static SpkError invalid_segment(Reason reason);
    static SpkError unsupported_segment_type(std::int32_t data_type);
    static SpkError epoch_outside_coverage(double epoch, double start, double end);
    static SpkError invalid_type2_segment(Reason reason);
    static SpkError missing_chain_segment(std::int32_t body, double epoch);
    static SpkError center_chain_cycle(std::int32_t target);
    static SpkError invalid_typed_segment(std::int32_t data_type, Reason reason);

    std::string message() const;
};

// The engine's form of an SPK failure: OrvaneError::Backend carrying the message.
OrvaneError spk_orvane_error(const SpkError& error);

}  // namespace orvane
