#include "vantrelpid/sim/tuned_loop.hpp"

namespace vantrelpid::sim {

PidParameters shown_controller(const TunedController& c, std::string_view type) {
    if (c.pi_only) return {c.setpoint.K, c.setpoint.Ti, 0.0};
    return type.find("Nonint") == std::string_view::npos ? c.interacting : c.setpoint;
}

LoopsimResult tuned_loop_responses(const TunedLoopInput& in) {
    LoopsimInput loop;
    loop.Apc = in.Apc;
    loop.Bpc = in.Bpc;
    loop.Delay = in.Delay;
    loop.BND = in.BND;
    loop.integrating = in.integrating;
    loop.pid = shown_controller(in.controller, in.Type);
    loop.Type = in.Type;
    loop.Ts = in.Ts;
    loop.w = in.w;
    loop.SPLLAG = kTunedLoopSetpointLeadLag;
    loop.Tauf = 0.0;
    loop.cancel = in.cancel;
    LoopsimResult out = loopsim(loop);
    // Robust has one value per bound value, or BND is one value for all.
    if (out.Robust && (in.BND.size() == 1 || in.BND.size() == out.Robust->size()))
        for (Index f = 0; f < out.Robust->size(); ++f)
            if (in.BND(in.BND.size() == 1 ? 0 : f) == 0.0) (*out.Robust)(f) = 0.0;
    return out;
}

}  // namespace vantrelpid::sim
