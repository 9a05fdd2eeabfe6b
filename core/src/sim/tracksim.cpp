#include "vantrelpid/sim/tracksim.hpp"

#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/util/simulation.hpp"

namespace vantrelpid::sim {

namespace {

using util::c2dm2;
using util::TransferFunction;

}  // namespace

TracksimResult tracksim(const TracksimInput& in) {
    TracksimResult out;
    if (pid_refusal(in.pid)) return out;

    // The plant alone, before anything of the loop.
    const Vector r = delayed_step(round_samples(in.Delay, in.Ts));
    const TransferFunction P0 = c2dm2(in.Bpc, in.Apc, in.Ts, in.cancel);
    out.StepRes = response(P0.num, P0.den, r);
    out.FreqRes = util::d_bode2(P0.num, P0.den, in.w, in.cancel);

    const TransferFunction plant = loop_plant(in.Apc, in.Bpc, in.integrating);
    const std::int64_t nd = floor_samples(in.Delay, in.Ts);
    const TransferFunction P = delayed(c2dm2(plant.num, plant.den, in.Ts, in.cancel), nd);
    const ControllerPolynomials c = controller(in.pid, in.Type, in.SPLLAG, FoxIntFilter::Plain, kPidTypeUnknown);

    // The loop through the PV path, held as one product.
    const TransferFunction L = delayed(c2dm2(product(c.N2, plant.num), product(c.D, plant.den), in.Ts, in.cancel), nd);
    const Vector S = add(L.den, L.num);
    if (c.single_numerator) {
        out.Ysp = step_response(L.num, S);
        if (!within(out.Ysp, kTracksimLimit)) return {TracksimOutcome::Unstable, {}, {}, {}, {}, {}, {}};
        out.Uld = step_response(L.den, S);
        const TransferFunction Kd = c2dm2(c.N1, c.D, in.Ts, in.cancel);
        out.Usp = response(Kd.num, Kd.den, out.Uld);
    } else {
        out.Uld = step_response(L.den, S);
        const TransferFunction K1 = c2dm2(c.N1, c.D, in.Ts, in.cancel);
        out.Ysp = step_response(product(P.num, L.den, K1.num), product(P.den, S, K1.den));
        out.Usp = step_response(product(L.den, K1.num), product(S, K1.den));
    }
    out.Yld = response(P.num, P.den, out.Uld);
    out.outcome = TracksimOutcome::Simulated;
    return out;
}

}  // namespace vantrelpid::sim
