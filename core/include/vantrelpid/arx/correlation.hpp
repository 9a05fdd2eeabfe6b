#pragma once
// The FFT correlation core of the ARX estimators.
//
// A stretch of Nk samples (one output column y, nu input columns u_i) is
// zero-padded to an FFT length Nfft and joined by two unit pulses: an end
// pulse at sample Nk (padded stretches only) and a start pulse at sample 0.
// With z_1 = y, z_2..z_{nu+1} the inputs and then the pulses, the correlation
// matrix holds, for every pair of signals (i, j) and lags r, s = 0..n, the
// circular sums
//
//     R[(i, r), (j, s)] = Nfft * sum_t z_i(t - r) z_j(t - s)     (t modulo Nfft),
//
// which depend on s - r only (Toeplitz blocks). Its last row and column (the
// start pulse's lag n) are left out. Solved as normal equations with the
// output's lag-0 coefficient fixed at 1, the pulse parameters absorb exactly
// the circular regression rows that mix data with padding or wrap around, so
// the estimate is the least-squares ARX fit over samples n..Nk-1 of the
// stretch, provided the end pulse's lags (samples Nk..Nk+n) never reach the
// start pulse's (samples 0..n-1, modulo Nfft): Nfft == Nk, or a padding
// Nfft - Nk of at least n + 1. With a padding of 1 to n samples a lag of the
// end pulse falls on a lag of the start pulse, the correlation matrix has two
// equal rows and columns, and the normal equations are singular.
//
// The correlation sequences of the data signals are computed with FFTs: one
// forward transform per data signal, then one transform of
// conj(Z_i) Z_j + 1j conj(Z_k) Z_l for every two pairs of them (both
// correlations are real, so they come back as the real and the imaginary
// part), the last pair alone when their number is odd. A pair with a pulse
// reads the other signal's samples directly: its correlation is Nfft times
// that signal shifted to the pulse.

#include "vantrelpid/types.hpp"

namespace vantrelpid::detail {

// The FFT length of a stretch of Nk samples whose pulse parameters cover the
// lags 0..n, the one rule of the sliced estimators: Nk itself when Nk is a
// power of two and `unpadded_powers_of_two` allows it (no end pulse), else the
// smallest power of two of at least Nk + n + 1. So the padding is 0 or at
// least n + 1; for n < Nk a padded stretch gets the next power of two above
// Nk, or twice that when Nk lies 1 to n samples below it. The sum is never
// formed: an order so large that no power of two of Index reaches it (no
// stretch holds an equation of it, and the callers refuse it) gives 0, which
// the correlation core refuses as shorter than the stretch. Negative
// arguments raise InvalidArgument.
Index slice_fft_length(Index samples, Index order, bool unpadded_powers_of_two);

// The whole-record estimate's FFT length: N itself when it is a power of two,
// else the next power of two above it, whatever the order (the rule above
// with n = 0). That estimate keeps this length: for a record 1 to n samples
// below a power of two its normal equations are singular, but only in the
// difference of the two coinciding pulse parameters, so their minimum-norm
// solution is still the fit over samples n..N-1.
Index fft_length_covering(Index samples);

// The circular correlations of a stretch's signals at lags -max_lag..max_lag.
class StretchCorrelations {
public:
    // Uk: Nk x nu inputs (already delayed), Yk: Nk outputs, nfft >= Nk.
    StretchCorrelations(const Matrix& Uk, const Vector& Yk, Index max_lag, Index nfft);

    Index samples() const { return samples_; }
    Index fft_length() const { return nfft_; }
    Index inputs() const { return inputs_; }
    Index max_lag() const { return max_lag_; }
    bool has_end_pulse() const { return nfft_ > samples_; }
    // Number of signals: output, inputs, end pulse (padded stretches), start pulse.
    Index signals() const { return inputs_ + (has_end_pulse() ? 3 : 2); }

    // Nfft * sum_t z_i(t) z_j(t - lag), t modulo Nfft, for signals i <= j
    // (0-based, in the order above) and |lag| <= max_lag: the entry (r, s) of
    // block (i, j) is at(i, j, s - r).
    double at(Index i, Index j, Index lag) const;

    // The correlation matrix for lags 0..order (order <= max_lag):
    // signals() * (order + 1) - 1 rows and columns, symmetric.
    Matrix matrix(Index order) const;

private:
    Index pair_index(Index i, Index j) const;

    Index samples_ = 0;
    Index inputs_ = 0;
    Index max_lag_ = 0;
    Index nfft_ = 0;
    // One row per pair (i, j), i <= j, in the order (0,0), (0,1), ..., (1,1), ...;
    // column max_lag + lag holds the correlation at `lag`.
    Matrix values_;
};

}  // namespace vantrelpid::detail
