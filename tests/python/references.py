"""Tolerances of the comparisons with independent references, each with its reason.

Import the constants instead of writing numbers into the tests.
"""

# Sums and products in another order than numpy's (BLAS dot products in
# np.cov, pairwise versus sequential sums): a few ulp of the result.
REDUCTION_ORDER = 1e-12

# ARX estimation (seglsq, wholelsq, the three-order estimate).
# The estimators solve normal equations built from FFT correlations, which
# squares the regression's condition number and rounds each correlation at
# the level of eps * log2(Nfft) of the signals' energy; the reference solves
# the regression rows by SVD. Relative to the largest coefficient.
ARX_VS_REGRESSION = 1e-8
# A noise-free ARX plant fitted at its own order: the equations are
# consistent, only rounding separates the estimate from the plant.
ARX_NOISE_FREE = 1e-10
# More parameters than equations: the minimum-norm solution from the normal
# equations (squared singular values, numpy's cut-off) against the SVD of the
# regression rows.
ARX_UNDERDETERMINED = 1e-6
