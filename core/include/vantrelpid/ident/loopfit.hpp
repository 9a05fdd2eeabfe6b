#pragma once
// Single-loop identification: one controller output (MV) and one process
// value (CV) identified into a continuous low-order model with dead time and
// a first-order model with the same dead time, their step and frequency
// responses, the model-error bound and grade, and both models simulated
// against the data.
//
// Continuous models are coefficient rows in descending powers of s: the
// denominator ends in 1, the numerator starts with 0 and ends in the static
// gain (first order: Apc = [T, 1], Bpc = [0, K]). For an integrating output
// the integrator 1/s follows the model and is not part of it.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "vantrelpid/arx/deadtime.hpp"
#include "vantrelpid/fit/pairtrim.hpp"
#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/warnings.hpp"

namespace vantrelpid {

// The logarithmic part of the frequency grid that the loop's results keep.
inline constexpr Index kLoopGridPoints = 75;

inline constexpr const char* kStatusOK = "OK";
inline constexpr const char* kStatusConstantMV = "OP (MV) almost constant!";
inline constexpr const char* kStatusConstantCV = "PV (CV) almost constant!";
inline constexpr const char* kStatusShortSlices = "Data slices too short!";
inline constexpr const char* kStatusDelayFailed = "Delay estimation failed";

// The dead time of the loop in samples (1 = no dead time beyond the
// one-sample hold), searched in the records U and Y with the loop's slice
// table and integrating flag (output 0 of `outputs`); an exception it throws
// makes the identification go on with 1 sample, unless LoopData::propagates
// holds for it.
using LoopDelaySearch = std::function<std::int64_t(const Matrix& U, const Matrix& Y,
                                                   const DelaySearchOutputs& outputs, RandomSource&, WarningSink&)>;

struct LoopData {
    Matrix U, Y;              // N x 1 each
    double Delayc_in = -1.0;  // dead time in time units; negative: estimate it
    double Tident = 1.0;      // sample time
    // The loop's slice table (rows of deselected stretches) and its
    // integrating flag, each read when first needed (never before the early
    // statuses are decided for the table, never before the delay for the flag).
    std::function<IntMatrix()> slice_table;
    std::function<IntegratingFlag()> flag;
    // Empty: the dead-time search of the toolkit (deadtime).
    LoopDelaySearch delay_search;
    // The search's failures become the status "Delay estimation failed",
    // except those for which this test holds: they pass unchanged (the host's
    // interruptions, such as Python's KeyboardInterrupt). Empty: none passes.
    std::function<bool(const std::exception_ptr&)> propagates;
};

enum class DeadTimeSource {
    Given,     // Delayc is Delayc_in, unchanged
    Found,     // Delayc is the reduction's dead time
    Replaced,  // a dead time of 0 became 0.4 Tident
};

struct LoopModel {
    std::string Message = kStatusOK;
    bool identified = false;  // false after an early status: nothing else is set
    Vector Apc, Bpc;          // the reduced model (order 1, 2 or 3; the reduction gives 1 or 2)
    double Delayc = 0.0;
    DeadTimeSource delay_source = DeadTimeSource::Given;
    Matrix STP;               // 3000 x 1
    Vector FRQ, BND;          // 75 values each
    char Grade = '?';
    Vector w;                 // the 75 grid points
    Vector Apc_tn, Bpc_tn;    // the tuning model, 2 or 3 coefficients
    Vector Ysim;
    double Yerror = 0.0;
    Vector Apc1, Bpc1;        // the first-order model
    Matrix STP1;
    Vector FRQ1, BND1;
    Vector Ysim1;
    double Yerror1 = 0.0;
};

// The default dead-time search: the toolkit's search, its delay of output 0
// from input 0.
std::int64_t search_dead_time(const Matrix& U, const Matrix& Y, const DelaySearchOutputs& outputs,
                              RandomSource& random, WarningSink& warnings,
                              const Cancellation& cancel = Cancellation::never());

// U and Y must be single columns ("U must be an N x 1 column", "Y must be an
// N x 1 column") of the same length ("U and Y must have the same number of
// rows"); then the early statuses (constant MV, constant CV, no usable slice)
// return without drawing. A sample time that is not positive and finite, and
// a given dead time of the record's length or more, raise InvalidArgument; so
// does a reduced model of an order other than 1, 2 or 3 ("Unsupported model
// order"). Exceptions of the identification and reduction pass unchanged.
// The long loops of the search, the identification and the reduction poll
// `cancel`.
LoopModel loopfit(const LoopData& in, RandomSource& random, WarningSink& warnings,
                  const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid
