"""Tolerances of the comparisons with independent references, each with its reason.

Import the constants instead of writing numbers into the tests.
"""

# Sums and products in another order than numpy's (BLAS dot products in
# np.cov, pairwise versus sequential sums): a few ulp of the result.
REDUCTION_ORDER = 1e-12

# --- Error bounds, frequency-weighted reduction, low-order model selection ---

# FFT covariances (transforms of length >= 2N) against direct sums of
# products: rounding of the transforms, relative to the largest entry.
SPECTRUM_VS_DIRECT = 1e-10
# Inverse-spectrum diagonals against numpy.linalg.inv of Hermitian matrices
# with condition up to about 1e3: a few hundred ulp.
INVERSE_DIAGONAL = 1e-12
# A white-noise spectrum is flat at the variance up to the estimate's own
# scatter: mean over the grid within 5 % at N = 20000.
WHITE_NOISE_FLAT = 0.05
# The bound against the numpy transcription of the same steps: another FFT
# library and LU order, relative to the largest bound entry.
BOUND_VS_TRANSCRIPTION = 1e-8
# The white-noise bound against 3 sqrt(c s2 / |A|^2) at N = 20000: the Parzen
# estimate (300 lags) scatters by about 4 % per frequency.
CLOSED_FORM_LOW, CLOSED_FORM_HIGH = 0.85, 1.25
CLOSED_FORM_MEAN = 0.06
# Exact recovery through a common factor: normal equations of condition
# about 1e4, solved to a few thousand ulp; the loss is a squared residual.
REDUCTION_EXACT = 1e-10
REDUCTION_EXACT_LOSS = 1e-18
# Reduction against the transcription on a noisy ARX(16) model: normal
# equations of condition 1e6 to 1e9 amplify the rounding of their assembly.
REDUCTION_VS_TRANSCRIPTION = 1e-5
# The selected model against the transcription's (20 iterations of the
# reduction per order).
SELECTION_VS_TRANSCRIPTION = 1e-6
