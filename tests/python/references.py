# Tolerances of the comparisons with independent references, each with its reason.
#
# Import the constants instead of writing numbers into the tests.

# Sums and products in another order than numpy's (BLAS dot products in
# np.cov, pairwise versus sequential sums): a few ulp of the result.
REDUCTION_ORDER = 1e-12

# --- Preprocessing -------------------------------------------------------------

# Preprocessing with the package's own Butterworth coefficients against a
# scipy.signal transcription of the same steps: only summation order differs.
OWN_COEFFICIENTS = 1e-9

# The same steps with scipy.signal.butter's coefficients: the 4th-order
# high-pass at 0.002 is badly conditioned (its denominator sums to 1.5e-9), and
# a difference of one ulp in a coefficient moves the prepared signals by up
# to 2e-5.
SCIPY_COEFFICIENTS = 1e-4

# --- Utility layer -----------------------------------------------------------

# Butterworth coefficients against scipy.signal.butter: the design is ported
# in numpy's operation order, so the only source of difference is the
# pre-warp tan(pi*wc/2), where numpy's vectorised tan (AVX-512 builds) may
# differ from the C library's by one ulp. Wherever the two tans agree the
# coefficients must agree to this many ulp.
BUTTER_ULP = 4
# Where the two tans differ by one ulp, that ulp propagates through the
# pole placement: coefficients agree to this relative size (of the largest).
BUTTER_TAN_ULP = 1e-13

# Simulations and responses computed in another operation order than scipy's
# (direct sums instead of the transposed direct form, Horner in z^-1 instead
# of polyval): rounding of a few ulp per step, relative to the signal's size.
SIMULATION_ORDER = 1e-11

# Zero-order hold against scipy's cont2discrete, which goes through tf2ss,
# expm and the eigenvalues of Ad (ss2tf), while ours takes the poles as
# exp(lambda*Ts) and the numerator from Markov parameters: both carry
# rounding of about cond(expm) * eps.
ZOH = 1e-12
# The closed form of the hold of K/(Ts+1) computes exp(-h/T) directly; ours
# forms h * (1/T) inside the matrix exponential: an ulp or two.
ZOH_CLOSED_FORM = 4e-15
# Round trip c2dm2 -> d2cm2: root finding (simple roots, relative error about
# eps * cond), logarithms and one small linear solve.
ZOH_ROUND_TRIP = 1e-10

# State-space <-> polynomial forms: the observer canonical form is read back
# with one multiply-add per coefficient; other realisations go through the
# eigenvalues and Markov parameters (a handful of matrix products).
FORM_EXACT = 1e-14
FORM_GENERAL = 1e-10
# Gains and time constants recovered through the whole chain armax2ss ->
# stacking -> unscale -> get_sub -> ss2armax -> d2cm2.
PAIR_RECOVERY = 1e-6

# --- ARX estimation (seglsq, wholelsq, the three-order estimate) -----------

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
# Dead-time scores rebuilt one candidate at a time (seglsq, then lfilter)
# instead of the search's equations from correlations shared by all
# candidates and its own simulation: the simulation error is a few per cent
# of the output, so the simulations' rounding (SIMULATION_ORDER) and the
# estimates' (about 1e-13 of the coefficients, FFT correlations rounded
# differently) grow by that ratio in the error variance, and more for poorly
# damped candidate models.
DEADTIME_SCORE = 1e-10
# Candidates that simulate worse than the output's own variance (score above
# 1): unstable models whose error grows over the record and amplifies the
# coefficients' rounding by up to 1e4. Perturbing seglsq's own coefficients by
# 1e-14 moves such scores by up to 2e-10, and seglsq's estimate against the
# SVD of the regression rows moves one by 1e-9.
DEADTIME_UNSTABLE_SCORE = 1e-8

# --- Error bounds, frequency-weighted reduction, low-order model selection ---

# Covariances through Eigen's FFT against numpy's (transforms of length >= 2N,
# nothing wraps): rounding of the transforms, relative to the largest entry.
SPECTRUM_VS_NUMPY = 1e-10
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
CLOSED_FORM_LOW, CLOSED_FORM_HIGH, CLOSED_FORM_MEAN = 0.85, 1.25, 0.06
# Exact recovery through a common factor: normal equations of condition
# about 1e4, solved to a few thousand ulp; the loss is a squared residual.
REDUCTION_EXACT, REDUCTION_EXACT_LOSS = 1e-10, 1e-18
# Reduction against the transcription on a noisy ARX(16) model: normal
# equations of condition 1e6 to 1e9 amplify the rounding of their assembly.
REDUCTION_VS_TRANSCRIPTION = 1e-5
# The selected model against the transcription's (20 iterations of the
# reduction per order).
SELECTION_VS_TRANSCRIPTION = 1e-6

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

# --- Process identification (mimofit, loopfit) ---------------------------------
# Known plants sampled exactly, with 3 % white measurement noise unless stated.

# The logarithmic part of the frequency grid: numpy's vectorised power (its
# SIMD path on CPUs that have one) and the C library's pow differ by an ulp
# at a few points.
GRID_POWER = 5e-16
# Static gain of a first- or second-order plant: 3 % noise over 3000 to 4000
# samples leaves the estimate within about 0.5 %; the rest is headroom for
# other noise draws.
PLANT_GAIN = 0.03
# Time constant of a first-order plant: the lag is less well determined than
# the gain (about 1 %).
PLANT_LAG = 0.05
# Denominator of the second-order plant: the reduction to order 2 balances
# the coefficients against a numerator zero that absorbs a sample of dead time.
PLANT_SECOND_ORDER = 0.05
# Gain of an integrating plant identified through the summed input: the
# drift of the level makes the fit noisier; with the dead time given the
# structure fits better.
INTEGRATOR_GAIN, INTEGRATOR_GAIN_GIVEN_DELAY = 0.05, 0.03
# Lag of the integrating plant with the dead time given: the first-order fit
# of the summed input is biased upwards by 6 to 14 %.
INTEGRATOR_LAG = 0.20
# Step responses against the exact sampled step (absolute, outputs of gain 2):
# a gain error of 1 % is 0.02.
STEP_FIRST_ORDER, STEP_SECOND_ORDER = 0.06, 0.1
# A step response of 3000 samples has settled on the model's gain: the slowest
# lag of the plants is 20 samples (3000 samples are 150 time constants); the
# rest is the rounding of the discretised model's gain.
STEP_SETTLED = 1e-3
# The simulated output against the noise-free output after the start-up, as
# an rms relative to the output's deviation.
SIMULATION_RMS = 0.02
# Error percentages of a well identified loop: the noise alone gives about 3 %
# of the filtered output's variance.
ERROR_PERCENT_GOOD = 15.0
# Spikes left in the data ruin the comparison: above this.
ERROR_PERCENT_SPIKES = 30.0
# The first-order model's amplitude and widened bound recomputed with scipy's
# discretisation and frequency response: rounding of two discretisations.
RESPONSE_RECOMPUTED = 1e-8
# The simulations recomputed with scipy.signal.lfilter and butter: the slow
# high-pass filter amplifies coefficient rounding (see SCIPY_COEFFICIENTS).
SIMULATION_RECOMPUTED = 1e-6
# Level alignment: means over a few thousand samples, in another order.
LEVEL_ALIGNMENT = 1e-9

# --- Model validation, open-loop responses, existing loops -------------------

# A transcription of the validation with scipy's hold, lfilter, detrend and
# np.cov around the package's own high-pass filters: the hold (ZOH) and the
# summation order of the means, variances and the line fit differ; the slow
# filters amplify a coefficient's rounding by their 1e-9 denominator sum, so
# relative to each signal's size.
VALIDATION_VS_TRANSCRIPTION = 1e-8
# An integrating output's simulation summed into a level and filtered at
# 0.001 of Nyquist, whose denominator sums to 1e-10: ten times the rounding.
VALIDATION_LEVEL_VS_TRANSCRIPTION = 1e-7
# The open-loop responses against cont2discrete, lfilter and dfreqresp, as
# the host compares them.
OPEN_LOOP = 1e-10
# The least-squares line through the centred index against scipy's lstsq of
# [k/N, 1]: a few ulp of the record's size per sample.
DETREND = 1e-12
# A model of 2 e^-5s/(10 s + 1) fitted to 3000 samples with 2 % noise: its
# error percentage, and its simulation against the noise-free output (as a
# fraction of the output's deviation, after the first 100 samples).
VALIDATION_GOOD_PERCENT = 1.0
VALIDATION_SIMULATION = 0.005
# A gain 30 % too high leaves about 9 % of the variance unexplained.
VALIDATION_BAD_PERCENT = 5.0
# The integrating plant compared through its changes per sample, with the
# sample time taken into account (25 % at Ts = 2 without it).
VALIDATION_INTEGRATING_PERCENT = 3.0
# The closed loop identified from 6000 samples with 2 % noise on PV: its
# set-point step response against the loop's true sampled one.
LOOP_STEP = 0.01
# --- Tuning and PID-form conversion -------------------------------------------

# Tuning rows against exact rational hand values: about ten float64 operations
# per entry, each rounding by half an ulp.
TUNING_HAND = 1e-14
# Textbook rules through the tuning rows and then the form conversion: the
# square root of 1 - 4 Td/Ti, a difference of O(1) terms for these parameters
# (R >= 0.2), adds a few more ulp than the rows themselves.
TUNING_THROUGH_CONVERSION = 1e-13
# Round trips and the controller identity: the conversion's square root of
# 1 - 4 Td/Ti loses relative accuracy as 1/R^2; with Td <= 0.24 Ti, R >= 0.2.
FORM_ROUND_TRIP = 1e-12
# --- Closed-loop simulators (loopsim, tracksim, feedsim) ---------------------

# The responses rebuilt on scipy (cont2discrete, lfilter, freqz), relative to
# each response's peak. The two holds differ by a few ulp of each coefficient
# (ZOH); a loop's poles near z = 1 amplify that over 3000 samples, and the
# separately discretised paths of the two-degree-of-freedom loops cancel
# pole-zero pairs near 1 only to that rounding (observed up to 2e-9).
CLOSED_LOOP_RESPONSE = 1e-7
# The robustness curve: an amplitude ratio whose denominator (the closed
# loop) is small near the loop's bandwidth (observed 1.5e-8).
CLOSED_LOOP_ROBUST = 1e-6
# A dead time around and beyond the responses' 3000 samples, against the
# padded computation (lfilter and freqz of the polynomials with d zeros) on
# the package's own held coefficients, so that rounding alone separates them.
# Responses: lfilter runs the same recursion (observed equal), except where a
# double pole at z = 1 cancels only to rounding (DOUBLE_POLE_USP). The curve,
# from 3000 samples on: each factor and e^(-jwd) evaluated on their own,
# against Horner over the d + len(S) padded coefficients of S, whose rounding
# of about d eps sum|S_k| is divided by |S(e^jw)|: observed 4e-13 for the
# tests' plants at 5000 samples, 7e-10 for the tuning request, whose |S|
# falls to 1.7e-6 at w = 3e-4.
LONG_DEAD_TIME_RESPONSE = 1e-12
LONG_DEAD_TIME_ROBUST = 1e-8
# Below 3000 samples the curve is evaluated as it always was, from the product
# polynomials Bc (*) ALF over Ac (*) S. With integral action both products
# vanish at z = 1, and near it their values are far smaller than their
# coefficients: observed 1.4e-9 for the tests' plants, 4.3e-5 for the tuning
# request at 2999 samples, whose integral time of 1540 samples puts the
# controller's zero within 7e-4 of its integrator pole.
PRODUCT_FORM_ROBUST = 2e-4
# Integrating plant under a controller with integral action: a double pole at
# z = 1 that the formulas cancel only to rounding. A 1e-15 change of one
# coefficient moves tracksim's two-degree-of-freedom Ysp by 2e-4 over 3000
# samples (observed drift up to 1e-4), loopsim's Usp by 4e-7 of its peak and
# loopsim's Robust at the lowest frequencies, where it is divided by w ~ 3e-4,
# by 2e-4 pointwise. Compared to these, relative to the peak (Robust: pointwise).
# A two-degree-of-freedom Usp, Ap B1 / (S A2), holds the controller's integrator
# twice below and once above: so does the tuning request's at a dead time that
# outlasts the responses, where S is Ap within them (observed 5e-7 of the peak
# at 3001 samples, against the padded computation on the same held coefficients).
DOUBLE_POLE_TRACK_YSP = 2e-3
DOUBLE_POLE_USP = 1e-5
DOUBLE_POLE_ROBUST = 2e-3
# The loop run one sample at a time against the filters of the formulas: the
# same held coefficients, the responses combined in another order.
SAMPLED_LOOP = 1e-8
# Closed forms of a loop that has settled within 3000 samples (the slowest
# closed-loop mode decays by far more than 1e-9 over the record) and the sums
# of such responses.
SETTLED = 1e-9
# tracksim's two-degree-of-freedom Ysp holds the controller's integrator in
# two factors that cancel only to rounding: a drift of a few 1e-9 by the end.
SETTLED_DRIFT = 1e-8
# A perfect feedforward compensator cancels the disturbance only up to the
# hold: its lead-lag and the plant are held separately, a residue of the
# order of Ts / (time constant) of the disturbance's peak.
FEEDFORWARD_RESIDUE = 0.03
