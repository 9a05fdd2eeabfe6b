"""Tolerances of the comparisons with independent references, each with its reason.

Import the constants instead of writing numbers into the tests.
"""

# Sums and products in another order than numpy's (BLAS dot products in
# np.cov, pairwise versus sequential sums): a few ulp of the result.
REDUCTION_ORDER = 1e-12
