#pragma once
// The multi-input ARX model of one output and the pieces the estimators
// share: the delay check, the plan of the rows each selected slice
// contributes, the delay shift of a stretch's inputs, the normal equations
// with the output's lag-0 coefficient fixed at 1, and the polynomials read
// from their solution.
//
//   A(q) y(t) = sum_i B_i(q) u_i(t - d_i) + e(t),
//   A(q) = 1 + a_1 q^-1 + ... + a_n q^-n,  B_i(q) = b_i0 + b_i1 q^-1 + ... + b_in q^-n.

#include <cstdint>
#include <vector>

#include "vantrelpid/types.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid {

// den = Ap = [1, a_1, ..., a_n]; num = Bp, nu x (n + 1): row i holds
// b_i0, ..., b_in; the delays are not in it.
using ArxModel = util::ArmaxModel;

// The first selected slice does not use its first this many samples: the
// preprocessing's slow high-pass filter starts from rest at the record's
// first sample, and its start-up response is largest there.
inline constexpr std::int64_t kSkippedLeadingSamples = 80;

}  // namespace vantrelpid

namespace vantrelpid::detail {

// One delay per input, else InvalidArgument "The length of Delay must be
// equal to the number of inputs". Returns the position of the first delay
// outside lo..hi, or -1: each estimator words that failure itself.
Index delay_outside(const IntVector& delays, Index inputs, std::int64_t lo, std::int64_t hi);

// The rows one selected slice [first, last] (1-based, inclusive) contributes
// to an estimate, and the FFT length of its correlations.
struct SlicePlan {
    Index start = 0;       // 0-based first output row
    Index samples = 0;     // Nk
    Index fft_length = 0;
};

// The two plans, both with the FFT length of slice_fft_length (correlation.hpp)
// for the highest order they estimate, so that a slice's pulse parameters take
// up exactly its equations that leave the slice: the sliced estimate uses all
// of each slice's Nk samples and leaves a slice of a power-of-two length
// unpadded; the triple estimator leaves out each slice's first
// `drop` = max(delays) output samples, so that every delayed input value lies
// inside the slice, and pads every slice, power-of-two lengths too.
struct SliceRule {
    Index drop = 0;
    std::int64_t order = 0;  // the pulse parameters cover the lags 0..order
    bool unpadded_powers_of_two = true;
};

// Row k of `slices`: the first slice without its first kSkippedLeadingSamples
// samples, the last sample clipped to the record as Python slicing clips it,
// then the rule's drop. Neither the rows nor the order are checked here; an
// order up to the int64 limit, which the callers refuse after planning,
// enters no arithmetic that overflows.
SlicePlan plan_slice(const IntMatrix& slices, Index k, Index n_samples, const SliceRule& rule);

// Adds one slice's correlation matrix Rk to the block-arrow normal matrix
// JhJ of the sliced estimate: its first `shared` rows and columns (the model
// parameters) are summed over the slices, its pulse parameters take the rows
// and columns from `offset` on, coupled to the shared ones only. Returns the
// offset after them.
Index add_slice_block(Matrix& JhJ, const Matrix& Rk, Index shared, Index offset);

// Column i of `Uk` becomes delays(i) zeros followed by its first
// Nk - delays(i) samples (all zeros when the delay reaches Nk).
// Delays must be >= 0.
void delay_columns(Matrix& Uk, const IntVector& delays);

// Normal equations of a correlation matrix whose first row and column belong
// to the output's lag 0: that row and column are removed and minus the
// column becomes the right-hand side.
struct NormalEquations {
    Matrix lhs;
    Vector rhs;
};
NormalEquations fix_leading_coefficient(const Matrix& R);

// Ap and Bp from the solution th of the normal equations (output lags 1..n,
// then each input's lags 0..n; anything after them is ignored). The inputs'
// coefficients change sign: the regression carries them on the left side.
ArxModel arx_from_solution(const Vector& th, Index order, Index inputs);

}  // namespace vantrelpid::detail
