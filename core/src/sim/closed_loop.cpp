#include "vantrelpid/sim/closed_loop.hpp"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/lfilter.hpp"
#include "vantrelpid/util/poly.hpp"

namespace vantrelpid::sim {

namespace {

// A dead time longer than this many samples is refused: far beyond any
// response horizon, and the padded polynomials would not fit in memory.
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
    if (d == 0) return tf;
    util::TransferFunction out{Vector::Zero(tf.num.size() + d), Vector::Zero(tf.den.size() + d)};
    out.num.tail(tf.num.size()) = tf.num;
    out.den.head(tf.den.size()) = tf.den;
    return out;
}

Vector delayed_step(std::int64_t d, Index n) {
    require_count(d);
    require_count(n - d);
    Vector r = Vector::Ones(n);
    r.head(d).setZero();
    return r;
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
