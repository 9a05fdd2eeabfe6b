"""Tolerances of the comparisons with independent references, each with its reason.

Import the constants instead of writing numbers into the tests.
"""

# Sums and products in another order than numpy's (BLAS dot products in
# np.cov, pairwise versus sequential sums): a few ulp of the result.
REDUCTION_ORDER = 1e-12

# Preprocessing with the package's own Butterworth coefficients against a
# scipy.signal transcription of the same steps: only summation order differs.
OWN_COEFFICIENTS = 1e-9

# The same steps with scipy.signal.butter's coefficients: the 4th-order
# high-pass at 0.002 is badly conditioned (its denominator sums to 1.5e-9), and
# a difference of one ulp in a coefficient moves the prepared signals by up
# to 2e-5.
SCIPY_COEFFICIENTS = 1e-4
