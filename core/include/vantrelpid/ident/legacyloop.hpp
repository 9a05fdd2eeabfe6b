#pragma once
// Identification of an existing closed loop from its set-point (SP) and
// process-value (PV) records: the loop itself, from SP to PV, identified
// with the multivariable identification routine, and its response to a unit
// set-point step.
//
// The records must carry information about the loop: the set point has to
// move, PV must not be a copy of SP (a correlation above 0.999 of the two
// records normalised by their sample deviations) and must move itself. A set
// point that changes at fewer than 3 samples, or whose deviation is below
// 0.15 of PV's, gives a warning status, not a stop.
//
// The identified model may come out marginally stable or not settle exactly
// on 1 (a loop with integral action does): its slowest pole is pulled inside
// radius 0.99 when it lies on or outside the unit circle, and its static gain
// set to exactly 1 (util::gainmodifyss). The step response is that of the
// modified model, the step entering dly = round(Delayc / Tident) samples
// (halves to even, no hold sample added) after the first.

#include <cstdint>
#include <functional>
#include <string>

#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid {

inline constexpr const char* kLoopStatusOK = "ok";
inline constexpr const char* kLoopStatusNoSetPointMove = "SP does not move, no result";
inline constexpr const char* kLoopStatusWeakSetPoint = "SP moves too little, result may be poor";
inline constexpr const char* kLoopStatusCorrelated = "SP and PV almost 100% correlated, no result";
inline constexpr const char* kLoopStatusNoPVMove = "PV does not move, no result";
inline constexpr const char* kLoopStatusFailed = "Identification failed";

inline constexpr Index kLoopStepLength = 3000;
inline constexpr double kLoopMaxCorrelation = 0.999;
inline constexpr double kLoopMinDeviationRatio = 0.15;
inline constexpr std::int64_t kLoopMinSetPointChanges = 3;
// The gain and the largest pole radius of the modified model.
inline constexpr double kLoopGain = 1.0;
inline constexpr double kLoopPoleRadius = 0.99;

struct ExistingLoopData {
    Vector R, Y;  // set point and PV, one value per sample
    // Read only when no check has stopped the routine, in this order: the
    // length of the controller output's record (only measured), the dead
    // time in the time unit of Tident, the sample time.
    std::function<Index()> U_length;
    std::function<double()> Delayc;
    std::function<double()> Tident;
    // The slice table, read by the identification (inside its guard).
    std::function<IntMatrix()> slice_table;
    // Whether an exception of the identification is a failure to report as
    // "Identification failed" (true) or must pass (false, e.g. an interrupt).
    // Empty: every std::exception is a failure.
    std::function<bool(const std::exception&)> is_failure;
};

struct ExistingLoopResponse {
    std::string Message = kLoopStatusOK;
    bool identified = false;  // false after a stop: STPRSP is empty
    Vector STPRSP;            // 3000 samples of the set-point step response
};

// The stops and the warning come first and draw nothing; then the records
// are cut to the common length of R, Y and U and identified (numpy's
// generator reseeded by the identification). R and Y of different lengths
// raise InvalidArgument "R and Y must have the same number of samples";
// a Tident of 0 raises DivisionByZero; a negative dead time that the
// identification accepts raises add_dly's error.
ExistingLoopResponse legacyloop(const ExistingLoopData& in, RandomSource& random);

}  // namespace vantrelpid
