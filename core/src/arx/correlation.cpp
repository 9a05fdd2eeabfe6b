#include "vantrelpid/arx/correlation.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/fft.hpp"

namespace vantrelpid::detail {

namespace {

bool is_power_of_two(Index n) { return n > 0 && (n & (n - 1)) == 0; }

// Spectra of the stretch's data signals, one column each: output, inputs.
CMatrix signal_spectra(const Matrix& Uk, const Vector& Yk, Index nfft) {
    const Index nk = Yk.size(), nu = Uk.cols();
    CMatrix Z(nfft, nu + 1);
    util::Fft transform(nfft);
    Vector padded_signal = Vector::Zero(nfft);
    padded_signal.head(nk) = Yk;
    transform.forward_real(padded_signal.data(), Z.col(0).data());
    for (Index i = 0; i < nu; ++i) {
        padded_signal.head(nk) = Uk.col(i);
        transform.forward_real(padded_signal.data(), Z.col(i + 1).data());
    }
    return Z;
}

// out[f] = conj(a[f]) * b[f] (+ 1j * conj(c[f]) * d[f] when c, d are given),
// written out in real arithmetic.
void cross_spectrum(const Complex* a, const Complex* b, const Complex* c, const Complex* d, Index n, Complex* out) {
    for (Index f = 0; f < n; ++f) {
        const double ar = a[f].real(), ai = a[f].imag(), br = b[f].real(), bi = b[f].imag();
        double re = ar * br + ai * bi;
        double im = ar * bi - ai * br;
        if (c != nullptr) {
            const double cr = c[f].real(), ci = c[f].imag(), dr = d[f].real(), di = d[f].imag();
            // 1j * (x + 1j y) = -y + 1j x
            re -= cr * di - ci * dr;
            im += cr * dr + ci * di;
        }
        out[f] = Complex(re, im);
    }
}

}  // namespace

Index slice_fft_length(Index samples, Index order, bool unpadded_powers_of_two) {
    if (samples < 0 || order < 0) throw InvalidArgument("a stretch's length and order must be >= 0");
    if (unpadded_powers_of_two && is_power_of_two(samples)) return samples;
    // The smallest power of two p >= samples + order + 1, that is with
    // p - samples > order: the difference never overflows, the sum could.
    constexpr Index largest = Index{1} << (std::numeric_limits<Index>::digits - 1);
    Index p = 1;
    while (p - samples <= order) {
        if (p == largest) return 0;
        p *= 2;
    }
    return p;
}

Index fft_length_covering(Index samples) { return slice_fft_length(samples, 0, true); }

StretchCorrelations::StretchCorrelations(const Matrix& Uk, const Vector& Yk, Index max_lag, Index nfft)
    : samples_(Yk.size()), inputs_(Uk.cols()), max_lag_(max_lag), nfft_(nfft) {
    if (Uk.rows() != samples_) throw InvalidArgument("the inputs and the output of a stretch differ in length");
    if (samples_ < 1 || nfft < samples_ || max_lag < 0) throw InvalidArgument("invalid stretch for the correlation core");

    const Index nz = signals(), data_signals = inputs_ + 1;
    values_.resize(nz * (nz + 1) / 2, 2 * max_lag + 1);

    // Pairs with a unit pulse need no transform: the pulse picks one sample
    // of the other signal (Nfft * z(t_pulse - lag) or Nfft * z(t_pulse + lag)).
    // Two pulses correlate to Nfft where their positions differ by the lag.
    auto sample = [&](Index signal, Index t) -> double {
        t %= nfft;
        if (t < 0) t += nfft;
        if (t >= samples_) return 0.0;
        return signal == 0 ? Yk(t) : Uk(t, signal - 1);
    };
    auto position = [&](Index pulse) { return pulse == nz - 1 ? Index{0} : samples_; };
    const double scale = static_cast<double>(nfft);
    std::vector<std::pair<Index, Index>> data_pairs;
    for (Index i = 0; i < nz; ++i) {
        for (Index j = i; j < nz; ++j) {
            if (j < data_signals) {
                data_pairs.emplace_back(i, j);
                continue;
            }
            const Index p = pair_index(i, j);
            for (Index lag = -max_lag; lag <= max_lag; ++lag) {
                double v;
                if (i < data_signals) {
                    v = scale * sample(i, position(j) + lag);  // sum_t z_i(t) d(t - lag - t_j)
                } else {
                    Index d = (position(i) - position(j) - lag) % nfft;
                    v = (d == 0) ? scale : 0.0;
                }
                values_(p, max_lag + lag) = v;
            }
        }
    }

    // Pairs of data signals: one transform for every two of them (the last
    // alone when their number is odd).
    const CMatrix Z = signal_spectra(Uk, Yk, nfft);
    util::Fft transform(nfft);
    CVector product(nfft), c(nfft);
    // c[k] = Nfft * sum_t z_i(t) z_j(t - k): the forward transform of the
    // cross-spectrum conj(Z_i) Z_j, read at k modulo Nfft.
    auto store = [&](Index p, bool imaginary) {
        for (Index lag = -max_lag; lag <= max_lag; ++lag) {
            Index k = lag % nfft;
            if (k < 0) k += nfft;
            values_(p, max_lag + lag) = imaginary ? c(k).imag() : c(k).real();
        }
    };
    const Index ndata = static_cast<Index>(data_pairs.size());
    for (Index q = 0; q < ndata; q += 2) {
        const auto [i1, j1] = data_pairs[static_cast<std::size_t>(q)];
        if (q == ndata - 1) {
            cross_spectrum(Z.col(i1).data(), Z.col(j1).data(), nullptr, nullptr, nfft, product.data());
            transform.forward(product.data(), c.data());
            store(pair_index(i1, j1), false);
        } else {
            const auto [i2, j2] = data_pairs[static_cast<std::size_t>(q + 1)];
            cross_spectrum(Z.col(i1).data(), Z.col(j1).data(), Z.col(i2).data(), Z.col(j2).data(), nfft,
                           product.data());
            transform.forward(product.data(), c.data());
            store(pair_index(i1, j1), false);
            store(pair_index(i2, j2), true);
        }
    }
}

Index StretchCorrelations::pair_index(Index i, Index j) const {
    // Pairs (i, j), i <= j, row by row: row i starts after i rows of
    // nz, nz - 1, ... pairs.
    const Index nz = signals();
    return i * nz - i * (i - 1) / 2 + (j - i);
}

double StretchCorrelations::at(Index i, Index j, Index lag) const {
    return values_(pair_index(i, j), max_lag_ + lag);
}

Matrix StretchCorrelations::matrix(Index order) const {
    if (order < 0 || order > max_lag_) throw InvalidArgument("order outside the computed lags");
    const Index L = order + 1, nz = signals(), m = nz * L;
    Matrix R(m, m);
    for (Index i = 0; i < nz; ++i) {
        for (Index j = i; j < nz; ++j) {
            const Index p = pair_index(i, j);
            for (Index s = 0; s < L; ++s) {
                for (Index r = 0; r < L; ++r) {
                    // Diagonal blocks take their upper triangle (lag s - r >= 0)
                    // and mirror it; other blocks are copied to their mirror.
                    const Index lag = (i == j && r > s) ? r - s : s - r;
                    const double v = values_(p, max_lag_ + lag);
                    R(i * L + r, j * L + s) = v;
                    R(j * L + s, i * L + r) = v;
                }
            }
        }
    }
    // The start pulse's largest lag is not a parameter.
    return R.topLeftCorner(m - 1, m - 1);
}

}  // namespace vantrelpid::detail
