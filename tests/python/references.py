"""Tolerances of the comparisons with independent references, each with its reason.

Import the constants instead of writing numbers into the tests.
"""

# Sums and products in another order than numpy's (BLAS dot products in
# np.cov, pairwise versus sequential sums): a few ulp of the result.
REDUCTION_ORDER = 1e-12

# --- Output-error fits and pair-model reduction ---------------------------

# Roots as companion eigenvalues (Eigen versus LAPACK) and the polynomial
# rebuilt from them: round-off of order eps times the coefficient size.
ROOTS_ROUNDOFF = 1e-12

# A filter started from a state built in another summation order: a few ulp.
FILTER_ROUNDOFF = 1e-13

# A noise-free plant that the model structure holds exactly: the fit is
# exact up to the conditioning of a few hundred least-squares solves.
EXACT_FIT = 1e-10

# The minimum-norm solution of the rank-deficient order-2 fit of a
# first-order response, against its closed form.
MINIMUM_NORM = 1e-8

# The same steps as a numpy/scipy transcription: LAPACK and Eigen factorise
# differently, and ten Gauss-Newton steps amplify the difference.
TRANSCRIPTION = 1e-7

# An output-error fit of noisy first-order data: the pole within this of
# the truth (the ARX start is biased by more).
OE_POLE = 0.01
