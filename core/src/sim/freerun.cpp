#include "vantrelpid/sim/freerun.hpp"

#include <cmath>
#include <numbers>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/sim/closed_loop.hpp"
#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/util/lfilter.hpp"
#include "vantrelpid/util/simulation.hpp"

namespace vantrelpid {

namespace {

// Bpc from its first nonzero coefficient; [0] when every coefficient is 0.
Vector without_leading_zeros(const Vector& Bpc) {
    Index first = 0;
    while (first < Bpc.size() && Bpc(first) == 0.0) ++first;
    if (first == Bpc.size()) return Vector::Zero(1);
    return Bpc.tail(Bpc.size() - first);
}

// pi * np.logspace(-4, 0, 75): 10 ** np.linspace(-4, 0, 75), last exponent exactly 0.
Vector frequencies() {
    Vector w(kOpenLoopFrequencies);
    const double step = 4.0 / static_cast<double>(kOpenLoopFrequencies - 1);
    for (Index k = 0; k < kOpenLoopFrequencies; ++k) {
        const double e = k == kOpenLoopFrequencies - 1 ? 0.0 : static_cast<double>(k) * step + -4.0;
        w(k) = std::numbers::pi * std::pow(10.0, e);
    }
    return w;
}

}  // namespace

const char* open_loop_check(const OpenLoopArguments& args) {
    if (args.Apc_length != args.Bpc_length) return "length of Apc and Bpc must be equal";
    if (args.Apc_length > kOpenLoopMaxCoefficients) return "Apc and Bpc must be 2nd order or less";
    if (args.Apc_length == kOpenLoopMaxCoefficients && args.integral_is_one)
        return "integral not supported for 2nd order system";
    if (args.first_numerator_nonzero()) return "Bpc[0] must be 0.0";
    return nullptr;
}

OpenLoopResponse freerun(const Vector& Apc, const Vector& Bpc, double Delayc, double sampletime) {
    const util::TransferFunction held = util::c2dm2(without_leading_zeros(Bpc), Apc, sampletime);
    OpenLoopResponse out;
    out.Delay = sim::floor_samples(Delayc, sampletime);
    if (out.Delay < 0) throw InvalidArgument("negative dimensions are not allowed");
    out.Bd = held.num;
    out.Ad = held.den;

    // The numerator with its leading zeros as far as the step response sees
    // them (the window rule).
    const std::int64_t zeros = sim::window_dead_time(out.Delay, kOpenLoopStepLength);
    Vector padded = Vector::Zero(zeros + held.num.size());
    padded.tail(held.num.size()) = held.num;
    out.stp = util::lfilter(padded, out.Ad, Vector::Ones(kOpenLoopStepLength));
    out.w = frequencies();
    // |e^(-jwd) Bd / Ad| = |Bd / Ad|: a dead time that outlasts the step
    // response is left out of the amplitude, a shorter one stays padded.
    const bool outlasts = sim::outlasts_window(out.Delay, kOpenLoopStepLength);
    out.frq = util::d_bode2(outlasts ? out.Bd : padded, out.Ad, out.w);
    return out;
}

}  // namespace vantrelpid
