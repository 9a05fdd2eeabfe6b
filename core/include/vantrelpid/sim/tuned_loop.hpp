#pragma once
// The closed-loop responses of a freshly tuned loop, as the tuning request
// shows them: loopsim's simulation (loopsim.hpp) with no PV filter
// (Tauf = 0) and the set-point lead-to-lag ratio 0.5 of the Foxboro forms,
// run with the controller that the vendor form displays.
//
// The tuning gives a non-interacting set-point row [K, Ti, Td] of
// K (1 + 1/(Ti s) + Td s), and its interacting form [K', Ti', Td'] of
// K' (1 + 1/(Ti' s)) (1 + Td' s). The vendor form of an interacting code
// ("Int A", "Int B", "Int C", "Fox Int") shows the interacting numbers, that
// of a non-interacting code ("Nonint ...", "Fox Nonint") the set-point row
// itself; each code's polynomials read their own parameterisation, so the
// loop is simulated with exactly those numbers. (The interacting form limits
// Td to Ti/4 first, so converting it back would not give the row.)
//
// A PI controller shows [K, Ti, 0] of the set-point row. With Td = 0 both
// parameterisations coincide, so the one vector serves every code; the codes
// then keep only their structure: the PV path K (1 + 1/(Ti s)) for all, the
// integral-only set-point path of the C codes, the set-point weighting of the
// Foxboro codes.
//
// The robustness curve is BND |T(e^jw)| (divided by w for an integrating
// plant). At w = 0 the loop's integral action makes |T| a 0/0, and the
// integrator a division by 0; where the bound is 0 the curve is 0 by
// definition, so the default grid of the tuning request (w from 0, BND all
// zeros) gives zeros instead of NaN. Nothing else of loopsim changes: its
// refusals, thresholds, statuses, and a non-finite response counting as
// instability. Nothing is recorded.

#include <functional>
#include <string_view>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/sim/loopsim.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid::sim {

inline constexpr double kTunedLoopSetpointLeadLag = 0.5;

// The tuned controller in both forms.
struct TunedController {
    PidParameters setpoint;     // non-interacting set-point row of the tuning
    PidParameters interacting;  // its interacting form
    bool pi_only = false;       // the vendor form shows a PI controller
};

// The parameters the vendor form of `type` displays: [K, Ti, 0] of the
// set-point row for a PI controller, else the interacting form for a code
// without "Nonint" and the set-point row for one with it.
PidParameters shown_controller(const TunedController& controller, std::string_view type);

struct TunedLoopInput {
    Vector Apc, Bpc;           // plant denominator and numerator, descending powers of s
    double Delay = 0.0;        // dead time, in the time unit of Ts
    Vector BND;                // model-error bound over w
    bool integrating = false;  // the plant gains the integrator 1/s
    TunedController controller;
    std::string_view Type;     // PID form code of the vendor form
    double Ts = 1.0;           // sample time
    Vector w;                  // frequencies of Robust, radians per sample
    std::reference_wrapper<const Cancellation> cancel = Cancellation::never();  // as loopsim's
};

// loopsim's results for the shown controller, with Robust 0 wherever BND is 0.
LoopsimResult tuned_loop_responses(const TunedLoopInput& in);

}  // namespace vantrelpid::sim
