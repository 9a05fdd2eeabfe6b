#include "vantrelpid/facade/tuning_request.hpp"

#include <cmath>
#include <numbers>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/tune/formswap.hpp"

namespace vantrelpid::facade {

namespace {
bool positive_finite(double x) { return std::isfinite(x) && x > 0.0; }
}  // namespace

void check_tuning_request(const TuningRequestNumbers& r) {
    if (!positive_finite(r.tcl)) throw InvalidArgument(kTclRefused);
    if (!positive_finite(r.oprange) || !positive_finite(r.sprange)) throw InvalidArgument(kRangesRefused);
    if (!(std::isfinite(r.delay) && r.delay >= 0.0)) throw InvalidArgument(kDelayRefused);
    if (!positive_finite(r.sampletime)) throw InvalidArgument(kSampleTimeRefused);
}

RobustnessGrid default_grid() {
    // numpy's linspace: k * step from 0, the last point exactly the end.
    const double step = std::numbers::pi / static_cast<double>(kDefaultGridPoints - 1);
    RobustnessGrid grid{Vector(kDefaultGridPoints), Vector::Zero(kDefaultGridPoints)};
    for (Index k = 0; k < kDefaultGridPoints; ++k) grid.w(k) = static_cast<double>(k) * step;
    grid.w(kDefaultGridPoints - 1) = std::numbers::pi;
    return grid;
}

std::int64_t response_length(double tcl) {
    const double samples = 15.0 * tcl;
    return pynum::truncate(1000.0 < samples ? 1000.0 : samples);
}

TunedRows tune(const LoopModel& loop, double tcl) {
    TunedRows rows;
    rows.tuning = tune_loop(loop.apc, loop.bpc, loop.delay, loop.integral, tcl);
    rows.interacting = interacting_form(rows.tuning.setpoint);
    return rows;
}

sim::TunedLoopInput simulation_input(const LoopModel& loop, const TunedRows& rows, bool pi_only,
                                     std::string_view type, double Ts, const Vector& BND, const Vector& w,
                                     const Cancellation& cancel) {
    sim::TunedLoopInput in;
    in.Apc = loop.apc;
    in.Bpc = loop.bpc;
    in.Delay = loop.delay;
    in.BND = BND;
    in.integrating = loop.integral == IntegratingFlag::Integrating;
    in.controller = {rows.tuning.setpoint, rows.interacting, pi_only};
    in.Type = type;
    in.Ts = Ts;
    in.w = w;
    in.cancel = cancel;
    return in;
}

}  // namespace vantrelpid::facade
