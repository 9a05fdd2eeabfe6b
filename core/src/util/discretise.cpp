// Zero-order-hold discretisation of continuous transfer functions and its
// inverse.
//
// A continuous model num(s)/den(s) of order n is written as a feedthrough d0
// plus a strictly proper part c(s)/den(s), realised in controllable canonical
// form (A companion of den, B = e1, C = c). The hold gives Ad = e^(A Ts) and
// Bd = int_0^Ts e^(A t) dt B, both read off one matrix exponential of the
// augmented matrix [[A, B], [0, 0]] * Ts, which needs no inverse of A and so
// serves integrators as well. The discrete poles are e^(lambda Ts) of the
// continuous poles lambda, and the discrete numerator follows from the Markov
// parameters h_k = C Ad^(k-1) Bd: numd = d0 * dend + dend * h (truncated).
// The inverse runs the same map backwards: continuous poles log(z) / Ts, and
// the continuous numerator as the solution of the linear system that maps it
// onto the discrete Markov parameters.

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/util/linalg.hpp"
#include "vantrelpid/util/poly.hpp"

namespace vantrelpid::util {

namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
// A real pole of a discrete model below this magnitude (in particular 0, a
// pure delay) is taken at this magnitude: its response has fallen to 1.5e-8
// one sample later, so the two are the same model to the precision of plant
// data, log(z) stays finite (a continuous pole at -18.02 / Ts), and two such
// poles still leave the inverse well enough conditioned.
const double kSmallestDiscretePole = std::sqrt(kEpsilon);
// The continuous model of the inverse must reproduce the discrete one to this
// relative precision under the hold, else it is not representable.
constexpr double kInverseTolerance = 1e-6;

// A polynomial with its leading zeros removed.
struct Stripped {
    Vector coef;
    Index degree() const { return coef.size() - 1; }
};

Stripped strip_leading_zeros(const Vector& p) {
    Index first = 0;
    while (first < p.size() && p(first) == 0.0) ++first;
    return {p.tail(p.size() - first)};
}

void check_inputs(const Vector& num, const Vector& den, double Ts) {
    if (!(Ts > 0.0) || !std::isfinite(Ts)) throw InvalidArgument("the sample time Ts must be positive and finite");
    if (!num.allFinite() || !den.allFinite()) throw InvalidArgument("num and den must not contain infs or NaNs");
}

// A monic denominator and a numerator of the same length, from num / den
// with leading zeros stripped; the numerator's degree may not exceed the
// denominator's.
struct Normalised {
    Vector num;  // n + 1 coefficients
    Vector den;  // n + 1 coefficients, den(0) == 1
};

Normalised normalise(const Vector& num, const Vector& den) {
    const Stripped d = strip_leading_zeros(den);
    if (d.coef.size() == 0) throw InvalidArgument("the denominator must not be all zero");
    const Stripped b = strip_leading_zeros(num);
    if (b.degree() > d.degree()) {
        throw InvalidArgument("the numerator's degree (" + std::to_string(b.degree()) +
                              ") must not exceed the denominator's (" + std::to_string(d.degree()) + ")");
    }
    const Index n = d.degree();
    Normalised out{Vector::Zero(n + 1), d.coef / d.coef(0)};
    out.num.tail(b.coef.size()) = b.coef / d.coef(0);
    out.den(0) = 1.0;
    return out;
}

// Ad and Bd of the controllable canonical realisation of 1 / den (monic).
struct HeldRealisation {
    Matrix Ad;
    Vector Bd;
};

HeldRealisation hold(const Vector& den, double Ts, const Cancellation& cancel = Cancellation::never()) {
    const Index n = den.size() - 1;
    Matrix M = Matrix::Zero(n + 1, n + 1);
    for (Index k = 0; k < n; ++k) M(0, k) = -den(k + 1) * Ts;
    for (Index k = 1; k < n; ++k) M(k, k - 1) = Ts;
    M(0, n) = Ts;
    const Matrix E = expm(M, cancel);
    return {E.topLeftCorner(n, n), E.col(n).head(n)};
}

// Rows k = 0..n-1 hold (Ad^k Bd)^T, so that h = P c are the first n Markov
// parameters of C (zI - Ad)^-1 Bd for the output row C = c^T.
Matrix markov_map(const HeldRealisation& h, const Cancellation& cancel = Cancellation::never()) {
    const Index n = h.Bd.size();
    Matrix P(n, n);
    Vector v = h.Bd;
    for (Index k = 0; k < n; ++k) {
        P.row(k) = v.transpose();
        if (k + 1 < n) v = h.Ad * v;
        cancel.poll();
    }
    return P;
}

// The discrete poles of a monic denominator. Factors (z - 1) are divided out
// first while den(1) vanishes to rounding, so that integrators come out as
// poles at exactly 1 (and continuous poles at exactly 0): root finding alone
// would scatter them by an ulp or, for double integrators, by sqrt(eps).
CVector discrete_poles(const Vector& den) {
    const Index n = den.size() - 1;
    Vector rest = den;
    Index integrators = 0;
    while (rest.size() > 1 && std::fabs(rest.sum()) <= 4.0 * kEpsilon * rest.cwiseAbs().sum()) {
        // Synthetic division by (z - 1); the remainder is the vanishing den(1).
        Vector q(rest.size() - 1);
        q(0) = rest(0);
        for (Index k = 1; k < q.size(); ++k) q(k) = rest(k) + q(k - 1);
        rest = q;
        ++integrators;
    }
    CVector z(n);
    z.head(integrators).setConstant(Complex(1.0, 0.0));
    z.tail(n - integrators) = roots(rest);
    return z;
}

// Leading zeros in front of p up to `length` coefficients.
Vector pad_front(const Vector& p, Index length) {
    Vector out = Vector::Zero(length);
    out.tail(p.size()) = p;
    return out;
}

// The hold of a normalised continuous model (monic den, num of equal length).
// The root finding is the one step that `cancel` cannot interrupt.
TransferFunction zero_order_hold(const Normalised& m, double Ts, const Cancellation& cancel = Cancellation::never()) {
    const Index n = m.den.size() - 1;
    const double d0 = m.num(0);
    if (n == 0) return {m.num, m.den};

    // Discrete poles e^(lambda Ts); a zero continuous pole gives exactly 1.
    cancel.poll();
    CVector z = roots(m.den);
    for (Index k = 0; k < n; ++k) z(k) = std::exp(z(k) * Ts);
    const Vector dend = poly(z, cancel);

    // Strictly proper part c(s) / den(s) and its Markov parameters after the hold.
    const Vector c = m.num.tail(n) - d0 * m.den.tail(n);
    const Vector h = markov_map(hold(m.den, Ts, cancel), cancel) * c;

    Vector numd(n + 1);
    numd(0) = d0;
    for (Index lag = 1; lag <= n; ++lag) {
        double acc = d0 * dend(lag);
        for (Index k = 1; k <= lag; ++k) acc += dend(lag - k) * h(k - 1);
        numd(lag) = acc;
        cancel.poll();
    }
    return {numd, dend};
}

// Real poles at 0 or on the negative real axis have no continuous
// counterpart under the hold (log of a non-positive number): each becomes the
// positive pole of the same magnitude, at least kSmallestDiscretePole, and
// the numerator is rescaled so that the static gain is kept. Integrator poles
// at 1 are never touched. Updates m and z in place.
void move_nonpositive_poles(Normalised& m, CVector& z) {
    double gain_ratio = 1.0;
    bool moved = false;
    for (Index k = 0; k < z.size(); ++k) {
        if (z(k).imag() != 0.0 || z(k).real() >= kSmallestDiscretePole) continue;
        const double old = z(k).real();
        const double replaced = std::max(std::fabs(old), kSmallestDiscretePole);
        gain_ratio *= (1.0 - replaced) / (1.0 - old);
        z(k) = replaced;
        moved = true;
    }
    if (moved) {
        m.den = poly(z);
        m.num *= gain_ratio;
    }
}

// The continuous model whose hold is m (poles z, all with a logarithm).
Normalised inverse_hold(const Normalised& m, const CVector& z, double Ts) {
    const Index n = m.den.size() - 1;
    CVector lambda(n);
    for (Index k = 0; k < n; ++k)
        lambda(k) = z(k).imag() == 0.0 ? Complex(std::log(z(k).real()) / Ts, 0.0) : std::log(z(k)) / Ts;
    Normalised out{Vector(n + 1), poly(lambda)};

    // Markov parameters of the strictly proper discrete part, by deconvolution
    // with the discrete denominator, then the continuous numerator that the
    // hold maps onto them.
    const double d0 = m.num(0);
    Vector h(n);
    for (Index lag = 1; lag <= n; ++lag) {
        double acc = m.num(lag) - d0 * m.den(lag);
        for (Index k = 1; k < lag; ++k) acc -= m.den(lag - k) * h(k - 1);
        h(lag - 1) = acc;
    }
    const Vector c = lu_solve(markov_map(hold(out.den, Ts)), h);
    out.num(0) = d0;
    out.num.tail(n) = c + d0 * out.den.tail(n);
    return out;
}

}  // namespace

TransferFunction c2dm2(const Vector& num, const Vector& den, double Ts, const Cancellation& cancel) {
    check_inputs(num, den, Ts);
    return zero_order_hold(normalise(num, den), Ts, cancel);
}

TransferFunction d2cm2(const Vector& numd, const Vector& dend, double Ts) {
    check_inputs(numd, dend, Ts);
    const Index length = std::max(numd.size(), dend.size());
    Normalised m = normalise(numd, dend);
    if (m.den.size() == 1) return {pad_front(m.num, length), pad_front(m.den, length)};

    CVector z = discrete_poles(m.den);
    move_nonpositive_poles(m, z);
    const Normalised c = inverse_hold(m, z, Ts);

    // Several poles at 0 stand for a dead time, which no rational model
    // holds: the inverse is then so ill-conditioned that its hold no longer
    // gives back the discrete model. Say so rather than return it.
    const TransferFunction back = zero_order_hold(c, Ts);
    const double scale = std::max(m.num.cwiseAbs().maxCoeff(), m.den.cwiseAbs().maxCoeff());
    const double error = std::max((back.num - m.num).cwiseAbs().maxCoeff(), (back.den - m.den).cwiseAbs().maxCoeff());
    if (!(error <= kInverseTolerance * scale)) {
        throw InvalidArgument("the discrete model has no continuous equivalent under the zero-order hold "
                              "(several poles at or near 0 stand for a dead time)");
    }
    return {pad_front(c.num, length), pad_front(c.den, length)};
}

}  // namespace vantrelpid::util
