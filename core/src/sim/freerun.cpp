#include "vantrelpid/sim/freerun.hpp"

#include <cmath>
#include <numbers>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"
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
    const std::int64_t Delay = pynum::truncate(std::floor(Delayc / sampletime));
    if (Delay < 0) throw InvalidArgument("negative dimensions are not allowed");

    OpenLoopResponse out;
    out.Bd = Vector::Zero(Delay + held.num.size());
    out.Bd.tail(held.num.size()) = held.num;
    out.Ad = held.den;
    out.stp = util::lfilter(out.Bd, out.Ad, Vector::Ones(kOpenLoopStepLength));
    out.w = frequencies();
    out.frq = util::d_bode2(out.Bd, out.Ad, out.w);
    return out;
}

}  // namespace vantrelpid
