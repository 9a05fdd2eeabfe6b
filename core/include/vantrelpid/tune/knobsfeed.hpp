#pragma once
// Feedforward compensators of measured disturbances.
//
// The process has ny outputs and nu inputs, each pair (i, k) a first-order
// model Gain_1(i, k) e^(-Delayc(i, k) s)/(Tau_1(i, k) s + 1). Inputs 0..ny-1
// are the loops' own manipulated variables (input i belongs to output i);
// inputs ny + j are measured disturbances. For loop i and disturbance j the
// compensator
//
//     K_ff (Tau_lead_ff s + 1) e^(-Delayc_ff s) / (Tau_lag_ff s + 1)
//
// approximates the ideal -G_d/G_u = -(Kd/Ku) (Tu s + 1) e^(-(dd - du) s)/(Td s + 1)
// (the simulation subtracts its output, so the sign is not part of K_ff):
//
//     K_ff        = 0.88 Gain_1(i, ny + j) / Gain_1(i, i)   (0.88 multiplied first)
//     Tau_lag_ff  = max(Tau_1(i, ny + j), Tau_1(i, i)/3)     (a lead of at most 3:1)
//     Tau_lead_ff = Tau_1(i, i)
//     Delayc_ff   = max(0, Delayc(i, ny + j) - Delayc(i, i)) (no prediction)
//
// The gain is detuned to 88 % of the static ratio for robustness against
// model error. max keeps its first argument unless the second is strictly
// larger, as Python's built-in does (a NaN difference of dead times gives 0).
// A zero loop gain gives inf or NaN, never an exception.

#include <functional>
#include <string>

#include "vantrelpid/types.hpp"

namespace vantrelpid {

inline constexpr const char* kFeedforwardShapes = "Input matrices must have the same dimensions";
inline constexpr const char* kNoFeedforwardVariables =
    "Number of inputs not larger than the number of outputs, no feedforward variables";
inline constexpr const char* kFeedforwardIntegrators = "There are integrators, no feedforward will be designed";
inline constexpr const char* kFeedforwardOK = "OK";

struct FeedforwardDesign {
    // ny x (nu - ny), element (i, j) for loop i and disturbance j; empty
    // (0 x 0) when the design is refused.
    Matrix K_ff, Tau_lag_ff, Tau_lead_ff, Delayc_ff;
    bool designed = false;
    std::string Message;  // kFeedforwardOK, or the reason of a refusal
};

// The checks in this order: matrices of different shapes raise
// InvalidArgument kFeedforwardShapes; nu == ny is refused with
// kNoFeedforwardVariables; then `any_integrating()` (asked only here) true
// is refused with kFeedforwardIntegrators; nu < ny raises InvalidArgument
// "negative dimensions are not allowed", as numpy's result allocation does.
FeedforwardDesign knobsfeed(const Matrix& Tau_1, const Matrix& Gain_1, const Matrix& Delayc,
                            const std::function<bool()>& any_integrating);

}  // namespace vantrelpid
