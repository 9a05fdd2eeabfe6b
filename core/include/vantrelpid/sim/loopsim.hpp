#pragma once
// Closed-loop step responses of a PID loop around a continuous plant with
// dead time, with a PV filter and a robust-stability curve.
//
// The plant is P(s) = Bpc(s)/Apc(s) e^(-Delay s), times 1/s when integrating;
// the controller is one of the ten PID form codes (controller.hpp, the plain
// "Fox Int" filter); a PV filter F(s) = 1/(Tauf s + 1) sits in the feedback
// path (Tauf = 0: none). With the dead time nd = floor(Delay / Ts) samples,
// every discrete pair comes from the zero-order hold of a continuous product
// and has nd folded in as far as the responses see it (the window rule of
// closed_loop.hpp). Results, 3000 samples each:
//
//   Ysp  PV after a unit set-point step       Usp  controller output for it
//   Yld  PV after a unit load step at the     Uld  the signal entering the plant
//        plant input                               for that load step
//
// One-degree-of-freedom codes ("Nonint A", "Int A"; numerator N over D): the
// controller N/D, the open loop L = N Bpc / (D Apc) and the loop through the
// filter LF = N Bpc / ((Tauf s + 1) D Apc) are each held as one product, so
// with S = ALF + BLF (LF closed),
//
//   Ysp = Af BL / S,  Uld = ALF / S,  Usp = (Bc / Ac) Uld,  Yld = B Ac Af / S,
//   Robust = BND |Bc ALF / (Ac S)|.
//
// Two-degree-of-freedom codes (N1, N2 over D): the filter joins the
// polynomials, D' = (Tauf s + 1) D, N1' = (Tauf s + 1) N1, N2' = N2, so
// N1'/D' = N1/D and N2'/D' = F N2/D. The loop through the PV path, held as
// one product, closes as S = Ap + Bp; the set-point and PV paths B1/A2 and
// B2/A2 and the plant B/A are held separately and close as C = A2 A + B2 B:
//
//   Uld = Ap / S,  Ysp = B1 B / C,  Usp = Ap B1 / (S A2),  Yld = A2 B / C,
//   Robust = BND |Ap B2 / (S A2)|.
//
// S holds the dead time as z^-nd; in Robust it is the exact rotation
// e^(-jw nd) however long nd is. Robust is divided by w for an integrating
// plant. The loop is unstable when a response's largest magnitude is not a
// finite number at most its threshold: Ysp 100 and Yld 1000 (one degree of
// freedom), 1000 and 1000 (two); then every result is empty. Any exception after the PID checks
// (an unknown code, the errors of the hold and the filters) becomes the
// status "Simulation failed: " + its text; results computed before it are
// kept.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/sim/closed_loop.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid::sim {

inline constexpr double kLoopsimSetpointLimit1Dof = 100.0;
inline constexpr double kLoopsimLimit = 1000.0;
inline constexpr const char* kSimulationFailed = "Simulation failed: ";

struct LoopsimInput {
    Vector Apc, Bpc;           // plant denominator and numerator, descending powers of s
    double Delay = 0.0;        // dead time, in the time unit of Ts
    Vector BND;                // model-error bound: one value per w, or one for all
    bool integrating = false;  // INT == 1: the plant gains the integrator 1/s
    PidParameters pid;
    std::string_view Type;     // PID form code
    double Ts = 1.0;           // sample time
    Vector w;                  // frequencies of Robust, radians per sample
    double SPLLAG = 0.5;       // set-point lead-to-lag ratio ("Fox" codes)
    double Tauf = 0.0;         // PV filter time constant
    // Polled by the discretisations and the frequency response; a stop is no
    // failed simulation: it passes unchanged.
    std::reference_wrapper<const Cancellation> cancel = Cancellation::never();
};

struct LoopsimResult {
    std::optional<Vector> Ysp, Usp, Yld, Uld;  // kResponseLength samples each
    std::optional<Vector> Robust;             // one value per w
    std::string Message = kStatusOK;          // "OK", a refusal, instability or "Simulation failed: ..."
};

// The responses and the robustness curve: the whole of loopsim for a PID
// vector already read as three numbers (the binding adds only the check of
// a Python sequence's length). The PID refusals (pid_refusal) come first;
// nothing is thrown afterwards but the host's stop.
LoopsimResult loopsim(const LoopsimInput& in);

}  // namespace vantrelpid::sim
