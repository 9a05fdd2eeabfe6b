#include "vantrelpid/util/filters.hpp"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/lfilter.hpp"

// The Butterworth design follows scipy.signal.butter step for step and in the
// same floating-point operation order: the slow high-pass filters of the
// preprocessing are so badly conditioned (a 4th-order high-pass at 0.002 has
// a denominator that sums to about 1.5e-9) that a one-ulp change of a
// coefficient moves the filtered record visibly. Complex arithmetic is
// therefore written out with the formulas numpy's loops use, not left to
// std::complex.

namespace vantrelpid::util {

namespace {

struct Cx {
    double re, im;
};

// numpy's complex multiplication.
Cx mul(Cx a, Cx b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }

// numpy's complex division (Smith's algorithm, as in its division loop).
Cx div(Cx a, Cx b) {
    if (std::fabs(b.re) >= std::fabs(b.im)) {
        const double rat = b.im / b.re;
        const double scl = 1.0 / (b.re + b.im * rat);
        return {(a.re + a.im * rat) * scl, (a.im - a.re * rat) * scl};
    }
    const double rat = b.re / b.im;
    const double scl = 1.0 / (b.im + b.re * rat);
    return {(a.re * rat + a.im) * scl, (a.im * rat - a.re) * scl};
}

// np.prod of a complex sequence: a left-to-right running product.
Cx product(const std::vector<Cx>& v) {
    Cx acc{1.0, 0.0};
    for (std::size_t k = 0; k < v.size(); ++k) acc = (k == 0) ? v[0] : mul(acc, v[k]);
    return acc;
}

// Analog prototype poles -exp(i*pi*m/(2N)), m = -N+1, -N+3, ..., N-1.
// numpy forms (i*pi*m) / (2N) as a complex division by 2N + 0i, which is a
// multiplication by the reciprocal 1/(2N).
std::vector<Cx> prototype_poles(int order) {
    std::vector<Cx> p;
    const double scale = 1.0 / static_cast<double>(2 * order);
    for (int m = -order + 1; m < order; m += 2) {
        const double md = static_cast<double>(m);
        const double real = (md < 0.0) ? -0.0 : 0.0;  // 0*m - pi*0, as numpy has it
        const std::complex<double> e = std::exp(std::complex<double>(real, (std::numbers::pi * md) * scale));
        p.push_back({-e.real(), -e.imag()});
    }
    return p;
}

// The monic polynomial with the given roots as numpy.poly builds it: the
// successive full convolutions with [1, -r]. np.convolve evaluates each inner
// output as a two-term BLAS dot product, whose real and imaginary parts are
// accumulated term by term: re = (a'.re*(-r.re) + a.re) - a'.im*(-r.im).
Vector poly_from_roots(const std::vector<Cx>& r) {
    std::vector<Cx> a{{1.0, 0.0}};
    for (const Cx& root : r) {
        const Cx nr{-root.re, -root.im};
        const std::size_t m = a.size();
        std::vector<Cx> next(m + 1);
        next[0] = a[0];
        for (std::size_t i = 1; i < m; ++i) {
            const Cx& prev = a[i - 1];
            const double rr = prev.re * nr.re, ii = prev.im * nr.im;
            const double ri = prev.re * nr.im, ir = prev.im * nr.re;
            next[i] = {(rr + a[i].re) - ii, ri + (ir + a[i].im)};
        }
        next[m] = mul(a[m - 1], nr);
        a = std::move(next);
    }
    // The roots come in exact conjugate pairs, so the real part is the polynomial.
    Vector out(static_cast<Index>(a.size()));
    for (std::size_t i = 0; i < a.size(); ++i) out(static_cast<Index>(i)) = a[i].re;
    return out;
}

// Binomial row of (z + 1)^N (low-pass) or (z - 1)^N (high-pass): the
// numerator polynomial of the digital filter before its gain. Exact.
Vector binomial_row(int order, bool highpass) {
    Vector c(order + 1);
    c(0) = 1.0;
    for (int k = 1; k <= order; ++k) c(k) = c(k - 1) * (order - k + 1) / k;
    if (highpass)
        for (int k = 1; k <= order; k += 2) c(k) = -c(k);
    return c;
}

void check_design(int order, double wc) {
    if (order < 0) throw InvalidArgument("Filter order must be a nonnegative integer");
    if (!(wc > 0.0 && wc < 1.0))
        throw InvalidArgument("Digital filter critical frequencies must be 0 < Wn < 1");
}

TransferFunction butterworth(int order, double wc, bool highpass) {
    check_design(order, wc);
    const double fs2 = 4.0;  // 2 * fs with fs = 2: frequencies as fractions of Nyquist
    const double warped = fs2 * std::tan(std::numbers::pi * wc / 2.0);

    std::vector<Cx> p = prototype_poles(order);
    double k = 1.0;
    double zero_product = 1.0;  // prod(4 - z) over the analog zeros
    if (highpass) {
        // s -> warped / s: poles inverted, N zeros at the origin, gain
        // k * Re(prod(-z) / prod(-p)) with no finite prototype zeros.
        std::vector<Cx> neg(p.size());
        for (std::size_t i = 0; i < p.size(); ++i) neg[i] = {-p[i].re, -p[i].im};
        k = k * div({1.0, 0.0}, product(neg)).re;
        for (Cx& pole : p) pole = div({warped, 0.0}, pole);
        for (int i = 0; i < order; ++i) zero_product = zero_product * (fs2 - 0.0);
    } else {
        // s -> s / warped: poles scaled, gain times warped^N.
        for (Cx& pole : p) pole = {warped * pole.re, warped * pole.im};
        k = k * std::pow(warped, order);
    }

    // Bilinear transform: z = (4 + s) / (4 - s); zeros at infinity go to -1.
    std::vector<Cx> pz(p.size()), den_factors(p.size());
    for (std::size_t i = 0; i < p.size(); ++i) {
        pz[i] = div({fs2 + p[i].re, 0.0 + p[i].im}, {fs2 - p[i].re, 0.0 - p[i].im});
        den_factors[i] = {fs2 - p[i].re, 0.0 - p[i].im};
    }
    const double gain = k * div({zero_product, 0.0}, product(den_factors)).re;

    return {gain * binomial_row(order, highpass), poly_from_roots(pz)};
}

}  // namespace

TransferFunction buttfilt(int order, double wc) { return butterworth(order, wc, false); }

TransferFunction buttfilthi(int order, double wc) { return butterworth(order, wc, true); }

Matrix hipass(const Matrix& X, double wc) {
    const TransferFunction f = buttfilthi(hipass_order, wc);
    return lfilter_columns(f.num, f.den, X);
}

void hipass_rows(const double* x, double* y, Index rows, Index cols, double wc) {
    const TransferFunction f = buttfilthi(hipass_order, wc);
    lfilter_rows(f.num, f.den, x, y, rows, cols);
}

Matrix hipass(const Matrix& X) { return hipass(X, hipass_default_cutoff); }

Matrix hipass001(const Matrix& X) { return hipass(X, hipass001_cutoff); }

}  // namespace vantrelpid::util
