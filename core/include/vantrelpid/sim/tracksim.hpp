#pragma once
// Closed-loop step responses of a PID loop around a continuous plant with
// dead time, with the plant's own step and frequency responses.
//
// The plant is P(s) = Bpc(s)/Apc(s) e^(-Delay s); the controller is one of
// the ten PID form codes (controller.hpp, the plain "Fox Int" filter); there
// is no PV filter. First the plant alone, as given (no integrator):
//
//   StepRes  the hold of Bpc/Apc driven by a unit step delayed by
//            nr = round(Delay / Ts) samples (halves to even), 3000 samples
//            (all zeros for nr >= 3000);
//   FreqRes  the amplitude of that discrete model at w (no dead time).
//
// Then the loop, with the integrator 1/s of an integrating plant and the
// dead time nd = floor(Delay / Ts) folded into the held plant B/A as far as
// the responses see it (the window rule of closed_loop.hpp). The open
// loop through the PV path, held as one product, closes as S = Ap + Bp:
//
//   one degree of freedom ("Nonint A", "Int A"; N over D):
//     Ysp = Bp / S,  Uld = Ap / S,  Usp = (Bk / Ak) Uld,  Yld = (B / A) Uld;
//   two degrees of freedom (N1, N2 over D; B1/A1 the held set-point path):
//     Uld = Ap / S,  Ysp = B Ap B1 / (A S A1),  Usp = Ap B1 / (S A1),
//     Yld = (B / A) Uld.
//
// So Usp is the set-point path applied to the loop's sensitivity, Ysp the
// plant applied to Usp, Yld the plant applied to Uld.
//
// Only the one-degree-of-freedom loop is tested for stability: when the
// largest magnitude of Ysp is not a finite number at most 1000, the result
// is `unstable` and holds nothing else. Nothing is caught: an unknown code
// raises InvalidArgument("PID type unknown"), and the errors of the hold,
// of the filters and of the dead times (a negative one: "negative
// dimensions are not allowed") reach the caller.

#include <functional>
#include <string_view>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/sim/closed_loop.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid::sim {

inline constexpr double kTracksimLimit = 1000.0;

struct TracksimInput {
    Vector Apc, Bpc;           // plant denominator and numerator, descending powers of s
    double Delay = 0.0;        // dead time, in the time unit of Ts
    bool integrating = false;  // INT == 1: the loop's plant gains the integrator 1/s
    PidParameters pid;
    std::string_view Type;     // PID form code
    double Ts = 1.0;           // sample time
    Vector w;                  // frequencies of FreqRes, radians per sample
    double SPLLAG = 0.5;       // set-point lead-to-lag ratio ("Fox" codes)
    // Polled by the discretisations and the frequency response; a stop passes unchanged.
    std::reference_wrapper<const Cancellation> cancel = Cancellation::never();
};

enum class TracksimOutcome {
    Refused,    // a PID check failed: no results
    Unstable,   // the one-degree-of-freedom Ysp diverged: no results
    Simulated,  // all six results
};

struct TracksimResult {
    TracksimOutcome outcome = TracksimOutcome::Refused;
    Vector Ysp, Usp, Yld, Uld;  // kResponseLength samples each
    Vector StepRes;             // kResponseLength samples
    Vector FreqRes;             // one value per w
};

TracksimResult tracksim(const TracksimInput& in);

}  // namespace vantrelpid::sim
