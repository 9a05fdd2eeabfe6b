#pragma once
// Sliced ARX estimate: one multi-input ARX model of one output, fitted by
// least squares over selected slices of a record. The model parameters are
// shared by all slices; each slice adds its own pulse parameters, which take
// up the equations at its start and end whose lagged values leave the slice.

#include <cstdint>
#include <optional>
#include <vector>

#include "vantrelpid/arx/model.hpp"
#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/warnings.hpp"

namespace vantrelpid {

// Every call reseeds numpy's global generator with this seed.
inline constexpr std::int64_t kSlicedEstimateSeed = 1704;

// U: N x nu inputs; Y: N outputs; SlInd: rows [first, last] of 1-based sample
// numbers (inclusive; a last sample beyond N is clipped to N); order n >= 0;
// delays: none, or one delay >= 0 per input, applied inside each slice (the
// first d samples of the slice's input become zeros).
//
// Each slice's equations are those at its samples n..Nk-1, weighted by the
// slice's FFT length: Nk when Nk is a power of two, else the smallest power of
// two of at least Nk + n + 1 (the next one above Nk; the one beyond it for a
// slice 1 to n samples short of a power of two, whose pulse parameters would
// otherwise share a lag and leave the equations singular). Reseeds `random`
// with 1704 and draws N normal values that do not enter the result. The
// normal equations are solved by LU: a singular matrix raises LinAlgError, an
// ill-conditioned one is reported to `warnings`.
//
// Errors: no rows, a slice too short for the order, or a delay longer than a
// slice raise InvalidArgument; a first sample below 1 or a last sample below
// the first raise OutOfRange.
ArxModel seglsq(const Matrix& U, const Vector& Y, const IntMatrix& SlInd, std::int64_t n,
                const std::optional<IntVector>& delays, RandomSource& random, WarningSink& warnings);

}  // namespace vantrelpid

namespace vantrelpid::detail {

// The sliced estimate's plan of SlInd for a record of n_samples and order n
// (the FFT lengths above), with its checks and messages, row by row: a first
// sample below 1 or a last sample below the first raise OutOfRange; no rows,
// a slice of at most n samples, or one shorter than a delay
// (check_delays_fit) InvalidArgument.
// The dead-time search plans once, without delays, for all its candidates.
std::vector<SlicePlan> sliced_estimate_plan(const IntMatrix& SlInd, Index n_samples, std::int64_t order,
                                            const std::optional<IntVector>& delays = std::nullopt);

// The sliced estimate's check that every delay fits every planned slice:
// InvalidArgument "Delay of input i (d samples) is longer than SlInd row k
// (Nk samples)" for the first row, then the first input, that fails.
void check_delays_fit(const std::vector<SlicePlan>& plan, const IntVector& delays);
void check_delays_fit(const SlicePlan& slice, Index k, const IntVector& delays);

}  // namespace vantrelpid::detail
