#pragma once
// A single PID loop against unit steps of its measured disturbances, each
// with and without a feedforward compensator.
//
// The loop's plant is P(s) = Bpc_tn(s)/Apc_tn(s) e^(-Delayc[0] s); the
// controller is one of the ten PID form codes (controller.hpp, the weighted
// "Fox Int" filter), of which only the PV path N2/D acts: a disturbance step
// has no set-point. Disturbance i reaches the output through
// Gain_1[ny + i] e^(-Delayc[ny + i] s) / (Tau_1[0, ny + i] s + 1), and its
// compensator, a row [K_ff, Tau_lag_ff, Tau_lead_ff, Delayc_ff] of FF, is
// K_ff (Tau_lead_ff s + 1) e^(-Delayc_ff s) / (Tau_lag_ff s + 1), whose
// output is subtracted from the controller's. Dead times are rounded to
// whole samples with halves to even and folded in as far as the 3000
// samples see them (the window rule of closed_loop.hpp).
//
// With Ydist and Vff the held disturbance and compensator step responses,
// the held plant Bpd/Apd and controller Bcd/Acd (dead time folded in), and
// the open loop N2 Bpc_tn / (D Apc_tn) held as one product and closed as
// Acl = Aol + Bol:
//
//   Yff0 = (Aol / Acl) Ydist          Uff0 = -(Apd Bcd / Acl) Ydist
//   Yff  = Yff0 - (Acd Bpd / Acl) Vff Uff  = Uff0 - (Aol / Acl) Vff
//
// each 3000 samples by nFF = nu - ny columns. When the largest magnitude of
// Yff is not a finite number at most 1000, the arrays come back with the
// instability status.

#include <functional>
#include <string>
#include <string_view>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/sim/closed_loop.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid::sim {

inline constexpr double kFeedsimLimit = 1000.0;
inline constexpr Index kMostFeedforwardVariables = 2;
inline constexpr const char* kStatusIntegrators = "There are integrators, no feedforward for integral process";
inline constexpr const char* kStatusTooManyFF = "Too many FF variables (must <= 2)";
inline constexpr const char* kStatusNoFFModel = "No model for FF variable";
inline constexpr const char* kStatusNotSingleLoop =
    "Not a single loop process, this function only works for single-loop";

struct FeedsimSizes {
    Index ny = 0;  // loops (rows of Tau_1)
    Index nu = 0;  // inputs: the loop's MV, then the feedforward variables
};

// The models and the sampling, read once the checks have passed.
struct FeedsimModel {
    Vector Apc_tn, Bpc_tn;  // the loop's plant, descending powers of s
    Vector Delayc;          // dead times of the nu inputs
    Matrix Tau_1;           // 1 x nu time constants of the first-order input models
    Vector Gain_1;          // nu gains of the same models
    Matrix FF;              // one compensator row per feedforward variable
    double Ts = 1.0;        // sample time
    double SPLLAG = 0.5;    // enters only the set-point path: no effect
};

struct FeedsimInput {
    PidParameters pid;
    // max(CV_INT) == 1, asked for after the PID checks.
    std::function<bool()> has_integrators;
    // The shape of Tau_1, asked for after the integrator check.
    std::function<FeedsimSizes()> sizes;
    std::function<FeedsimModel()> model;
    std::string_view Type;  // PID form code
    // Polled by the discretisations of the loop; a stop passes unchanged.
    std::reference_wrapper<const Cancellation> cancel = Cancellation::never();
};

struct FeedsimResult {
    bool simulated = false;        // false after a refusal: the matrices are empty
    Matrix Yff, Uff, Yff0, Uff0;   // kResponseLength x nFF
    std::string Message = kStatusOK;
};

// The checks in order (the PID refusals, the integrators, too many
// feedforward variables, none, more than one loop), then the simulation.
// Errors of the simulation are thrown: an unknown code as
// InvalidArgument("Unknown PID type"), after the disturbance and compensator
// responses; a missing entry of Delayc, Gain_1, Tau_1 or FF as OutOfRange.
FeedsimResult feedsim(const FeedsimInput& in);

}  // namespace vantrelpid::sim
