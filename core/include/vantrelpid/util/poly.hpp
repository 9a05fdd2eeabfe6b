#pragma once
// Polynomials as coefficient vectors, highest power (or lowest delay) first.

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid::util {

// Full discrete convolution (numpy.convolve, mode "full"); an empty factor
// gives an empty result. `cancel` is polled once per coefficient of a.
Vector convolve(const Vector& a, const Vector& b, const Cancellation& cancel = Cancellation::never());

// Roots as numpy.roots finds them: leading zeros stripped, trailing zeros
// give zero roots, the rest are the eigenvalues of the companion matrix.
// Non-finite coefficients raise LinAlgError.
CVector roots(const Vector& p);

// Monic polynomial with the given roots (numpy.poly of a root vector):
// the successive products with [1, -r], `cancel` polled after each; the
// real part is returned.
Vector poly(const CVector& r, const Cancellation& cancel = Cancellation::never());

// Stable polynomial of the same length with a leading 1: every root r with
// |r| > 1 (by more than the round-off of a computed root, 1e-6) is replaced
// by 1 / conj(r), and the polynomial is rebuilt as the product of the
// (1 - r z^-1). Roots on or inside the unit circle are kept. A monic p
// without a root outside comes back unchanged, bit for bit; any other p is
// rebuilt from its roots (a p with leading zeros has fewer roots than its
// length and gets zeros at the end). Non-finite coefficients raise LinAlgError.
Vector stabpoly(const Vector& p);

// Evaluate the polynomial c0 + c1 z^-1 + ... at z = e^{i w}.
Complex polyval_unit_circle(const Vector& c, double w);

}  // namespace vantrelpid::util
