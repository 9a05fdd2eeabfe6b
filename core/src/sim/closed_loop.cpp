#include "vantrelpid/sim/closed_loop.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <sstream>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/lfilter.hpp"
#include "vantrelpid/util/poly.hpp"

namespace vantrelpid::sim {

namespace {

// A dead time longer than this many samples is refused. Its length costs
// nothing (the window rule), but the count enters the frequency responses'
// phase w d as a double and must stay an exact, finite integer there: 1e9 is
// far below 2^53 and far beyond any plant's dead time in samples.
constexpr double kLongestDeadTime = 1e9;

double samples(double delay, double Ts) {
    if (Ts == 0.0) throw DivisionByZero("float division by zero");
    const double ratio = delay / Ts;
    if (ratio < -kLongestDeadTime) throw InvalidArgument("negative dimensions are not allowed");
    if (ratio > kLongestDeadTime && std::isfinite(ratio)) {
        std::ostringstream message;
        message << "a dead time of " << ratio << " samples is too long to simulate";
        throw InvalidArgument(message.str());
    }
    return ratio;
}

void require_count(std::int64_t d) {
    if (d < 0) throw InvalidArgument("negative dimensions are not allowed");
}

}  // namespace

std::optional<std::string> pid_refusal(const PidParameters& pid) {
    if (pid.K == 0.0) return kStatusKZero;
    if (pid.Ti < 0.0) return kStatusTiNegative;
    if (pid.Td < 0.0) return kStatusTdNegative;
    return std::nullopt;
}

util::TransferFunction loop_plant(const Vector& Apc, const Vector& Bpc, bool integrating) {
    if (!integrating) return {Bpc, Apc};
    util::TransferFunction p{Vector::Zero(Bpc.size() + 1), Vector::Zero(Apc.size() + 1)};
    p.num.tail(Bpc.size()) = Bpc;
    p.den.head(Apc.size()) = Apc;
    return p;
}

ControllerPolynomials controller(const PidParameters& pid, std::string_view type, double spllag,
                                 FoxIntFilter fox_int_filter, const char* unknown_wording) {
    try {
        return controller_polynomials(pid, type, spllag, fox_int_filter);
    } catch (const UnknownPidType&) {
        throw InvalidArgument(unknown_wording);
    }
}

std::int64_t floor_samples(double delay, double Ts) { return pynum::truncate(std::floor(samples(delay, Ts))); }

std::int64_t round_samples(double delay, double Ts) { return pynum::round_half_even(samples(delay, Ts)); }

util::TransferFunction delayed(const util::TransferFunction& tf, std::int64_t d) {
    require_count(d);
    d = window_dead_time(d);
    if (d == 0) return tf;
    util::TransferFunction out{Vector::Zero(tf.num.size() + d), Vector::Zero(tf.den.size() + d)};
    out.num.tail(tf.num.size()) = tf.num;
    out.den.head(tf.den.size()) = tf.den;
    return out;
}

Vector delayed_step(std::int64_t d, Index n) {
    require_count(d);
    Vector r = Vector::Ones(n);
    r.head(window_dead_time(d, n)).setZero();
    return r;
}

Vector control_sensitivity(const util::TransferFunction& controller, const util::TransferFunction& loop,
                           std::int64_t d, const Vector& w) {
    using util::polyval_unit_circle;
    const double samples = static_cast<double>(d);  // exact below 2^53
    Vector amp(w.size());
    for (Index f = 0; f < w.size(); ++f) {
        const double phase = w(f) * samples;
        const double rounding = std::fma(w(f), samples, -phase);  // w d = phase + rounding, exactly
        const Complex rotation = std::polar(1.0, -phase) * std::polar(1.0, -rounding);
        const Complex A = polyval_unit_circle(loop.den, w(f));
        const Complex S = A + rotation * polyval_unit_circle(loop.num, w(f));
        amp(f) = std::abs(polyval_unit_circle(controller.num, w(f))) * std::abs(A) /
                 (std::abs(polyval_unit_circle(controller.den, w(f))) * std::abs(S));
    }
    return amp;
}

Vector add(const Vector& a, const Vector& b) {
    if (a.size() != b.size()) throw InvalidArgument("a loop's numerator and denominator differ in length");
    return a + b;
}

Vector product(const Vector& a, const Vector& b) { return util::convolve(a, b); }

Vector product(const Vector& a, const Vector& b, const Vector& c) {
    return util::convolve(util::convolve(a, b), c);
}

bool within(const Vector& y, double limit) {
    for (Index k = 0; k < y.size(); ++k)
        if (!(std::fabs(y(k)) <= limit)) return false;  // NaN fails too
    return std::isfinite(limit) || y.allFinite();
}

Vector response(const Vector& b, const Vector& a, const Vector& x) {
    // Sample k of the output reads only the coefficients 0..k, so a long
    // dead time's padding beyond the horizon is left out of the recursion.
    const Index n = std::max<Index>(x.size(), 1);
    return util::lfilter(b.head(std::min(b.size(), n)), a.head(std::min(a.size(), n)), x);
}

Vector step_response(const Vector& b, const Vector& a) { return response(b, a, Vector::Ones(kResponseLength)); }

}  // namespace vantrelpid::sim
