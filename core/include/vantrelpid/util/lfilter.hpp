#pragma once
// Linear filtering as scipy.signal.lfilter computes it: direct form II
// transposed, coefficients normalised by a[0], zero initial state, in
// scipy's operation order (which matters for the slow high-pass filters).

#include "vantrelpid/types.hpp"

namespace vantrelpid::util {

// b/a filter of x from zero state. a[0] == 0 raises InvalidArgument.
// An `a` of one coefficient takes scipy's FIR path (convolution by b / a[0]).
Vector lfilter(const Vector& b, const Vector& a, const Vector& x);

// Each column of X filtered along the samples (lfilter(..., axis=0)).
Matrix lfilter_columns(const Vector& b, const Vector& a, const Matrix& X);

// Each signal of a row-major block filtered along the samples: x and y hold
// `rows` samples of `cols` signals, sample k of signal j at [k * cols + j]
// (numpy's C order), so numpy arrays are filtered without copies. The
// signals advance together, one sample at a time; each is computed exactly
// as lfilter computes it. y may not overlap x.
void lfilter_rows(const Vector& b, const Vector& a, const double* x, double* y, Index rows, Index cols);

// The filter started from the state `zi` (length max(len(a), len(b)) - 1),
// as lfilter(b, a, x, zi=zi) computes it; the final state is written back
// to zi when it is not null.
Vector lfilter_state(const Vector& b, const Vector& a, const Vector& x, Vector& zi);

// The b/a filter of u started from a steady past: every earlier output equal
// to y0 and every earlier input equal to u[0] (u[0] taken as 0 for an empty
// u). This is lfilter(b, a, u, zi=lfiltic(b, a, [y0] * (len(a) - 1),
// [u[0]] * (len(b) - 1))). An empty b gives zeros; an empty a or a[0] == 0
// raises InvalidArgument.
Vector filtini(const Vector& b, const Vector& a, const Vector& u, double y0);

}  // namespace vantrelpid::util
