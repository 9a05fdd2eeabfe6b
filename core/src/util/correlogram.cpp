#include "vantrelpid/util/correlogram.hpp"

#include <cmath>
#include <string>
#include <utility>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/fft.hpp"
#include "vantrelpid/util/linalg.hpp"

namespace vantrelpid::util {

Vector arxpe(const Vector& Ap, const Matrix& Bp, const Matrix& Ud, const Vector& y) {
    if (Bp.rows() != Ud.cols()) {
        throw InvalidArgument("arxpe needs one numerator row per input column: " + std::to_string(Bp.rows()) +
                              " rows for " + std::to_string(Ud.cols()) + " inputs");
    }
    if (y.size() != Ud.rows()) {
        throw InvalidArgument("arxpe needs one output sample per input row: " + std::to_string(y.size()) +
                              " samples for " + std::to_string(Ud.rows()) + " rows");
    }
    const Index N = y.size();
    Vector e(N);
    for (Index t = 0; t < N; ++t) {
        double acc = 0.0;
        const Index kmax = std::min<Index>(Ap.size() - 1, t);
        for (Index k = 0; k <= kmax; ++k) acc += Ap(k) * y(t - k);
        e(t) = acc;
    }
    for (Index j = 0; j < Ud.cols(); ++j) {
        const auto u = Ud.col(j);
        for (Index t = 0; t < N; ++t) {
            double acc = 0.0;
            const Index lmax = std::min<Index>(Bp.cols() - 1, t);
            for (Index l = 0; l <= lmax; ++l) acc += Bp(j, l) * u(t - l);
            e(t) -= acc;
        }
    }
    return e;
}

namespace {

// The smallest length of the form 2^a 3^b 5^c that is at least n (and at
// least 1): the FFT's fast radices.
Index fft_length(Index n) {
    Index best = 1;
    while (best < n) best *= 2;
    for (Index p5 = 1; p5 < best; p5 *= 5)
        for (Index p35 = p5; p35 < best; p35 *= 3) {
            Index len = p35;
            while (len < n) len *= 2;
            best = std::min(best, len);
        }
    return best;
}

// Parzen's lag window of width L at the lags 0..L.
Vector parzen_window(Index L) {
    Vector win(L + 1);
    win(0) = 1.0;
    for (Index tau = 1; tau <= L; ++tau) {
        const double q = static_cast<double>(tau) / static_cast<double>(L);
        win(tau) = q <= 0.5 ? 1.0 - 6.0 * q * q + 6.0 * q * q * q : 2.0 * std::pow(1.0 - q, 3);
    }
    return win;
}

// C(f, tau) = cos(w_f tau) and Sn(f, tau) = sin(w_f tau) for tau = 0..L.
// Successive lags are rotations by e^{i w_f}, restarted from the exact
// value every kRestart lags, so the rounding stays within a few dozen ulp.
void trigonometric_tables(const Vector& w, Index L, Matrix& C, Matrix& Sn) {
    constexpr Index kRestart = 32;
    C.resize(w.size(), L + 1);
    Sn.resize(w.size(), L + 1);
    for (Index f = 0; f < w.size(); ++f) {
        const Complex step = std::polar(1.0, w(f));
        Complex z = 1.0;
        for (Index tau = 0; tau <= L; ++tau) {
            z = tau % kRestart == 0 ? std::polar(1.0, w(f) * static_cast<double>(tau)) : z * step;
            C(f, tau) = z.real();
            Sn(f, tau) = z.imag();
        }
    }
}

// Sums N * R_ab(tau) for 0 <= a <= b < m and |tau| <= L, through the FFT of
// the columns zero-padded to at least 2N, so that no lag wraps around.
// Pair p (in the order (0,0), (0,1), ..., (1,1), ...) is column p of `pos`
// (row tau: lag tau) and of `neg` (row tau: lag -tau).
struct LaggedProducts {
    Matrix pos, neg;
};

LaggedProducts lagged_products(const Matrix& Z, Index L) {
    const Index N = Z.rows(), m = Z.cols();
    const Index len = fft_length(2 * N);
    Fft fft(len);

    std::vector<CVector> spectrum(static_cast<std::size_t>(m), CVector(len));
    Vector padded = Vector::Zero(len);
    for (Index a = 0; a < m; ++a) {
        padded.head(N) = Z.col(a);
        fft.forward_real(padded.data(), spectrum[static_cast<std::size_t>(a)].data());
    }
    // Z_a conj(Z_b): the transform of sum_t z_a(t + tau) z_b(t).
    const auto cross = [&](std::pair<Index, Index> ab) {
        return spectrum[static_cast<std::size_t>(ab.first)].cwiseProduct(
            spectrum[static_cast<std::size_t>(ab.second)].conjugate());
    };

    std::vector<std::pair<Index, Index>> pairs;
    for (Index a = 0; a < m; ++a)
        for (Index b = a; b < m; ++b) pairs.emplace_back(a, b);
    const Index count = static_cast<Index>(pairs.size());
    LaggedProducts out{Matrix(L + 1, count), Matrix(L + 1, count)};

    // Each cross-correlation is real, so two of them share one inverse
    // transform: ifft(X1 + i X2) = r1 + i r2.
    CVector packed(len), corr(len);
    for (Index p = 0; p < count; p += 2) {
        const bool two = p + 1 < count;
        packed = cross(pairs[static_cast<std::size_t>(p)]);
        if (two) packed += Complex(0.0, 1.0) * cross(pairs[static_cast<std::size_t>(p + 1)]);
        fft.inverse(packed.data(), corr.data());
        for (Index tau = 0; tau <= L; ++tau) {
            const Complex plus = corr(tau), minus = corr((len - tau) % len);
            out.pos(tau, p) = plus.real();
            out.neg(tau, p) = minus.real();
            if (two) {
                out.pos(tau, p + 1) = plus.imag();
                out.neg(tau, p + 1) = minus.imag();
            }
        }
    }
    return out;
}

}  // namespace

std::vector<CMatrix> crsspct(const Matrix& Z, Index M, const Vector& w, std::string_view window) {
    if (window != "P") {
        throw InvalidArgument("Unknown lag window \"" + std::string(window) + "\": only \"P\" (Parzen) is available");
    }
    if (M < 0) throw InvalidArgument("M must not be negative");
    const Index N = Z.rows(), m = Z.cols(), F = w.size();
    std::vector<CMatrix> Phi(static_cast<std::size_t>(F), CMatrix::Zero(m, m));
    if (N == 0 || m == 0) return Phi;

    const Index L = std::min(M, N - 1);
    const LaggedProducts r = lagged_products(Z, L);
    const Vector win = parzen_window(L) / static_cast<double>(N);

    // With S = R(tau) + R(-tau) and D = R(tau) - R(-tau), the pair
    // R(tau) e^{-i w tau} + R(-tau) e^{i w tau} is S cos(w tau) - i D sin(w tau):
    // the spectra are two real products of trigonometric tables with the
    // windowed lag sums.
    const Index pairs = r.pos.cols();
    Matrix S(L + 1, pairs), D(L + 1, pairs);
    S.row(0) = win(0) * r.pos.row(0);
    D.row(0).setZero();
    for (Index tau = 1; tau <= L; ++tau) {
        S.row(tau) = win(tau) * (r.pos.row(tau) + r.neg.row(tau));
        D.row(tau) = win(tau) * (r.pos.row(tau) - r.neg.row(tau));
    }
    Matrix C, Sn;
    trigonometric_tables(w, L, C, Sn);
    const Matrix re = C * S, im = -(Sn * D);

    for (Index f = 0; f < F; ++f) {
        CMatrix& P = Phi[static_cast<std::size_t>(f)];
        Index p = 0;
        for (Index a = 0; a < m; ++a)
            for (Index b = a; b < m; ++b, ++p) {
                P(a, b) = Complex(re(f, p), a == b ? 0.0 : im(f, p));
                P(b, a) = std::conj(P(a, b));
            }
    }
    return Phi;
}

CMatrix fiinvdia(const std::vector<CMatrix>& Phi, Index n) {
    const Index F = static_cast<Index>(Phi.size());
    if (F == 0) return CMatrix(0, std::max<Index>(n, 0));
    const pynum::SliceBounds rows = pynum::clip_slice(0, n, Phi[0].rows());
    const pynum::SliceBounds cols = pynum::clip_slice(0, n, Phi[0].cols());
    if (rows.length() != cols.length()) throw LinAlgError("Last 2 dimensions of the array must be square");
    const Index k = rows.length();
    for (const CMatrix& P : Phi)
        if (P.rows() != Phi[0].rows() || P.cols() != Phi[0].cols())
            throw InvalidArgument("fiinvdia needs matrices of one size at every frequency");
    CMatrix out(F, k);
    const CMatrix identity = CMatrix::Identity(k, k);
    for (Index f = 0; f < F; ++f) {
        const CMatrix inv = lu_solve(Phi[static_cast<std::size_t>(f)].topLeftCorner(k, k), identity);
        out.row(f) = inv.diagonal().transpose();
    }
    return out;
}

}  // namespace vantrelpid::util
