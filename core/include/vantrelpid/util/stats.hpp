#pragma once
// Sums, means, variances and standard deviations as numpy computes them:
// pairwise summation along a contiguous run of values, and divisor n - ddof.

#include "vantrelpid/types.hpp"

namespace vantrelpid::util {

// numpy's pairwise summation of n contiguous values.
double pairwise_sum(const double* x, Index n);

double sum(const Vector& x);
double mean(const Vector& x);                       // NaN for an empty x
double var(const Vector& x, int ddof = 0);          // np.var(x, ddof=ddof)
double stddev(const Vector& x, int ddof = 0);       // np.std(x, ddof=ddof)

// Column statistics of a signal matrix (np.mean(X, axis=0) and friends).
// A matrix of one column is reduced as a contiguous run (pairwise); several
// columns are reduced row after row, as numpy reduces a C-ordered array.
RowVector column_mean(const Matrix& X);
RowVector column_var(const Matrix& X, int ddof = 0);
RowVector column_std(const Matrix& X, int ddof = 0);

// Covariance matrix of the columns of X (np.cov(X, rowvar=False)): the
// centred columns' products summed, times the reciprocal of N - 1 (an
// infinite factor for a single sample, as numpy's).
Matrix covariance(const Matrix& X);

// x without its least-squares line over all samples (scipy.signal.detrend
// with its default linear type). The line is fitted in the centred sample
// index k - (n - 1) / 2, where the two coefficients decouple: the mean and
// the slope sum((k - kc)(x - mean)) / (n (n^2 - 1) / 12); a record of fewer
// than two samples keeps only its deviation from its mean.
Vector detrend(const Vector& x);

}  // namespace vantrelpid::util
