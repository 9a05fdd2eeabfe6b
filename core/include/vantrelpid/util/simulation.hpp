#pragma once
// Delays, simulation and frequency responses of discrete models.
// Polynomials are in powers of z^-1, coefficient of z^0 first.

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid::util {

// Each column of X delayed by its whole number of samples (one delay for all
// columns, or one per column): leading zeros, rows kept. A negative delay, or
// a count of delays other than 1 or X.cols(), raises InvalidArgument.
Matrix add_dly(const Matrix& X, const IntVector& d);

// Sum over inputs j of B_j / A driven by column j of U, from rest: one value
// per row of U. B has one row per input (U.cols()).
Vector misosim(const Vector& A, const Matrix& B, const Matrix& U);

// State-space simulation from a zero state: one row per sample of u, one
// column per output.
Matrix dsssim(const StateSpace& model, const Matrix& u);

// Complex frequency response of B_j / A at each w (radians per sample): one
// row per frequency, one column per row of B. Numerator and denominator
// lengths are independent. `cancel` is polled once per frequency.
CMatrix misofrq(const Vector& A, const Matrix& B, const Vector& w, const Cancellation& cancel = Cancellation::never());

// Amplitude |num / den| at each w: one value per frequency, `cancel` polled
// after each.
Vector d_bode2(const Vector& num, const Vector& den, const Vector& w,
               const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid::util
