#pragma once
// Output-error fit of a single-input single-output model with a given delay:
//
//     A(q) yhat(t) = B(q) u(t - delay),
//     A(q) = 1 + a1 q^-1 + ... + a_na q^-na,  B(q) = b0 + ... + b_(nb-1) q^-(nb-1).
//
// Two starting models, the ARX least-squares fit and a Steiglitz-McBride
// refinement of it (five prefiltered least-squares passes), are each improved
// by Gauss-Newton steps on the simulated output error; the run whose final
// output error has the smaller variance is returned.

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid {

struct OutputErrorOrders {
    Index na = 0;  // order of the denominator
    Index nb = 0;  // number of numerator coefficients
};

struct OutputErrorModel {
    Vector Ap;  // [1, a1, ..., a_na], stabilised (no root outside the unit circle)
    Vector Bp;  // [b0, ..., b_(nb-1)], the delay held apart
};

// Fit of the records U and Y (equal lengths N > max(na, nb)) with the input
// delayed by `delay` samples (0 <= delay <= N) and `iterations` Gauss-Newton
// steps per run. Least-squares problems are solved for the minimum-norm
// solution with numpy's singular-value cut-off. Invalid arguments raise
// InvalidArgument; a diverging fit raises LinAlgError. Every step polls `cancel`.
OutputErrorModel outerrfit(const Vector& U, const Vector& Y, OutputErrorOrders nn, Index delay,
                           Index iterations, const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid
