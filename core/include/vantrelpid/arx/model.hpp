#pragma once
// The multi-input ARX model of one output and the pieces the estimators
// share: the delay shift of a stretch's inputs, the normal equations with the
// output's lag-0 coefficient fixed at 1, and the polynomials read from their
// solution.
//
//   A(q) y(t) = sum_i B_i(q) u_i(t - d_i) + e(t),
//   A(q) = 1 + a_1 q^-1 + ... + a_n q^-n,  B_i(q) = b_i0 + b_i1 q^-1 + ... + b_in q^-n.

#include "vantrelpid/types.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid {

// den = Ap = [1, a_1, ..., a_n]; num = Bp, nu x (n + 1): row i holds
// b_i0, ..., b_in; the delays are not in it.
using ArxModel = util::ArmaxModel;

}  // namespace vantrelpid

namespace vantrelpid::detail {

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
