#include "vantrelpid/fit/slimfit.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/fit/outerrfit.hpp"
#include "vantrelpid/prep/binseq.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/fft.hpp"
#include "vantrelpid/util/lfilter.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

constexpr Index kStepLength = 200;      // samples of the step response that finds the delay
constexpr Index kImpulseLength = 2501;  // samples of the impulse response
constexpr Index kIterations = 10;       // Gauss-Newton steps of each output-error run
// Transform length of the truncated convolutions: at least 2910 + 2501 - 1,
// so that no product wraps around, and a product of 2, 3 and 5.
constexpr Index kFftLength = 5760;

// numpy's division of two float64 scalars: the IEEE result, with the
// RuntimeWarning numpy gives for a zero divisor or an undefined quotient.
double divide(double a, double b, WarningSink& warnings) {
    const bool invalid = (a == 0.0 && b == 0.0) || (std::isinf(a) && std::isinf(b));
    if (invalid) warnings.warn(WarningKind::Runtime, "invalid value encountered in scalar divide");
    else if (b == 0.0 && std::isfinite(a))
        warnings.warn(WarningKind::Runtime, "divide by zero encountered in scalar divide");
    return a / b;
}

// np.max(np.abs(x)): NaN when any value is NaN.
double max_abs(const Vector& x) {
    double m = -std::numeric_limits<double>::infinity();
    for (Index k = 0; k < x.size(); ++k) {
        const double v = std::abs(x(k));
        if (std::isnan(v)) return v;
        m = std::max(m, v);
    }
    return m;
}

// The first `length` samples of the full convolutions of one impulse
// response with fixed signals, through the FFT: each signal is transformed
// once, each impulse response once, and each response is one inverse
// transform.
class TruncatedConvolution {
public:
    TruncatedConvolution() : fft_(kFftLength), buffer_(kFftLength), H_(kFftLength), product_(kFftLength) {}

    CVector transform(const Vector& x) {
        buffer_.setZero();
        buffer_.head(x.size()) = x;
        CVector X(kFftLength);
        fft_.forward_real(buffer_.data(), X.data());
        return X;
    }

    void set_impulse_response(const Vector& h) { H_ = transform(h); }

    Vector response(const CVector& X, Index length) {
        product_ = H_.cwiseProduct(X);
        CVector y(kFftLength);
        fft_.inverse(product_.data(), y.data());
        return y.head(length).real();
    }

private:
    util::Fft fft_;
    Vector buffer_;
    CVector H_, product_;
};

// What every pair of one reduction shares: the step-test input and its
// transform, and the transform of the last validation sequence.
struct Workspace {
    Vector u = create_input_signal();
    TruncatedConvolution conv;
    CVector U = conv.transform(u);
    Vector v;  // the validation sequence whose transform V holds
    CVector V;

    const CVector& validation_transform(const Vector& sequence) {
        if (sequence.size() != v.size() || sequence != v) {
            v = sequence;
            V = conv.transform(v);
        }
        return V;
    }
};

struct PairFit {
    Index delay = 0;
    double err = 0.0;
    Vector Ap, Bp;
};

// The response of Bp/Ap to v with `delay` leading zeros in the numerator
// (the simulation shifted by `delay` samples), as long as v.
Vector delayed_response(const Vector& Bp, const Vector& Ap, Index delay, const Vector& v) {
    Vector y = Vector::Zero(v.size());
    if (Bp.size() == 0 || delay >= v.size()) return y;
    y.tail(v.size() - delay) = util::lfilter(Bp, Ap, v.head(v.size() - delay));
    return y;
}

// The fitted numerator scaled to the static gain G of the high-order pair,
// when G is well above the noise of the response (|G| > 0.1 M) and both
// gains are defined: an integrating fit (sum(Ap) at round-off of zero) or a
// fit without static gain cannot be brought to G by a finite scaling.
void correct_gain(PairFit& fit, double G, double M, WarningSink& warnings) {
    const double sum_ap = util::sum(fit.Ap);
    const double Gm = divide(util::sum(fit.Bp), sum_ap, warnings);
    const bool integrating = std::abs(sum_ap) <= 1e-9 * fit.Ap.cwiseAbs().sum();
    if (std::abs(G) > 0.1 * M && std::isfinite(G) && std::isfinite(Gm) && Gm != 0.0 && !integrating)
        fit.Bp *= G / Gm;
}

PairFit fit_pair(const Vector& b, const Vector& a, std::int64_t order, Workspace& ws, RandomSource& random,
                 WarningSink& warnings, const Cancellation& cancel) {
    PairFit fit;
    const Vector step = util::lfilter(b, a, Vector::Ones(kStepLength));
    const double M = max_abs(step);
    fit.delay = step_response_delay(step);

    // The impulse response without the dead time, and the pair's response
    // to the step-test input.
    Vector impulse = Vector::Zero(kImpulseLength);
    impulse(0) = 1.0;
    Vector h = util::lfilter(b, a, impulse);
    h.head(fit.delay).setZero();
    ws.conv.set_impulse_response(h);
    const Vector y = ws.conv.response(ws.U, ws.u.size());
    const double G = divide(util::sum(b), util::sum(a), warnings);

    if (order >= 1) {
        const OutputErrorModel m = outerrfit(ws.u, y, {order, order}, fit.delay, kIterations, cancel);
        fit.Ap = m.Ap;
        fit.Bp = m.Bp;
    } else {
        fit.Ap = Vector::Ones(1);  // the zero model
        fit.Bp = Vector();
    }

    // Validation on the seeded binary sequence, with the uncorrected fit.
    const Vector v = validation_sequence(random);
    const Vector yv = ws.conv.response(ws.validation_transform(v), v.size());
    const Vector ysim = delayed_response(fit.Bp, fit.Ap, fit.delay, v);
    fit.err = divide(util::var(Vector(yv - ysim)), util::var(yv), warnings);
    if ((order == 1 || order == 2) && fit.err < 0.01) fit.err = 0.0;

    if (order >= 1) correct_gain(fit, G, M, warnings);
    return fit;
}

}  // namespace

void require_pair_order(std::int64_t order) {
    if (order > kMaxPairOrder) throw InvalidArgument("Order too high");
}

Vector create_input_signal() {
    constexpr int kSegments = 9;
    constexpr double kLevel[kSegments] = {0, -1, 1, -1, 1, -1, 1, -1, 0};
    constexpr Index kLength[kSegments] = {90, 200, 310, 580, 310, 580, 310, 380, 150};
    Vector u(2910);
    Index at = 0;
    for (int s = 0; s < kSegments; ++s) {
        u.segment(at, kLength[s]).setConstant(kLevel[s]);
        at += kLength[s];
    }
    return u;
}

Index step_response_delay(const Vector& s) {
    const double M = max_abs(s);
    Index rise = 30;
    for (Index k = 0; k < std::min<Index>(100, s.size()); ++k) {
        if (std::abs(s(k)) >= 0.12 * M) {
            rise = k;
            break;
        }
    }
    Index last_small = -1;
    for (Index k = 0; k < std::min(rise, s.size()); ++k)
        if (std::abs(s(k)) <= 0.02 * M) last_small = k;
    return last_small + 1;
}

PairFits slimfit(const util::StateSpace& model, const std::vector<Index>& ords, std::int64_t order,
                 RandomSource& random, WarningSink& warnings, const Cancellation& cancel) {
    require_pair_order(order);
    const Index ny = model.D.rows(), nu = model.D.cols();
    PairFits out;
    out.ExtrDl = IntMatrix::Zero(ny, nu);
    out.ERR = Matrix::Zero(ny, nu);
    for (int k = 0; k < 4; ++k) {
        out.Num[k] = Matrix::Zero(ny, nu);
        out.Den[k] = Matrix::Zero(ny, nu);
    }

    Workspace ws;
    // A batch of normal draws that the results do not use: the reduction has
    // always taken it, and callers rely on the generator's state afterwards.
    random.randn(ws.u.size());
    // Checked here as the first output's part would check it, so that an
    // empty D or C beside a non-empty model is no model without pairs.
    util::check_model(model);

    for (Index i = 0; i < ny; ++i) {
        const util::ArmaxModel output = util::ss2armax(util::get_sub(model, ords, i));
        for (Index j = 0; j < nu; ++j) {
            const Index row = pynum::normalize_index(j, output.num.rows(), 0);
            const PairFit fit = fit_pair(output.num.row(row).transpose(), output.den, order, ws, random, warnings,
                                           cancel);
            out.ExtrDl(i, j) = fit.delay;
            out.ERR(i, j) = fit.err;
            for (Index k = 0; k < order; ++k) {
                out.Num[k](i, j) = fit.Bp(k);
                out.Den[k](i, j) = fit.Ap(k + 1);
            }
        }
    }
    return out;
}

}  // namespace vantrelpid
