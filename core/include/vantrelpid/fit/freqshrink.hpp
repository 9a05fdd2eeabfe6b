#pragma once
// Frequency-weighted reduction of a high-order multi-input ARX model to a
// low-order Box-Jenkins model y = sum_j (Bp_j / Ap) u_j + (Cp / Dp) e.

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid {

struct ReducedModel {
    Vector Ap;    // [1, a_1, ..., a_n], stable
    Matrix Bp;    // nu x (n + 1), row j the numerator of input j
    Vector Cp;    // [1, c_1, ..., c_nc], stable, nc = min(n, 4)
    Vector Dp;    // [1, d_1, ..., d_nc], stable
    Vector Loss;  // the weighted squared error of each iteration's process model
};

// The order of the noise model that goes with a process model of order n.
inline Index noise_order(Index n) { return n < 4 ? n : 4; }

// Reduce Bh_j / Ah (one row of Bh per input) and 1 / Ah on the grid w.
// The process model is the iterated, reweighted linear least-squares fit of
// Weight * (Gh * A - B_j) (the first iteration weighted by Weight1 instead),
// solved through its normal equations by LU; each iteration's Ap is
// stabilised and weights the next fit by 1 / Ap. The noise model is the
// least-squares fit of Dp / Ah = Cp, reweighted by 1 / Dp, in the same loop.
// Weight and Weight1 are len(w) x nu. Raises InvalidArgument for mismatched
// shapes ("Dimensions of Weight and Bh not compatible", then "Dimensions of
// Weight and w not compatible"), iterations < 1 and n < 0; LinAlgError
// ("Singular matrix") when the normal equations have an exact zero pivot.
// Every iteration polls `cancel`.
ReducedModel freqshrink(const Vector& Ah, const Matrix& Bh, const Matrix& Weight, const Matrix& Weight1, Index n,
                        Index iterations, const Vector& w, const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid
