#pragma once
// Formula tuning of PID loops from low-order models with dead time.
//
// Each loop is described by its tuning model Bc(s)/Ac(s) e^(-d s) (descending
// powers of s, integrator not included), its dead time d and a closed-loop
// time constant lc (Tcl). A model is stored in three coefficients: a first-order
// one as Ac = [a0, a1, 0], Bc = [b0, b1, 0], a second-order one as [a0, a1, a2],
// [b0, b1, b2]. Every loop gets two non-interacting rows [K, Ti, Td] of
// K (1 + 1/(Ti s) + Td s): one for the set-point response, one for the load
// response.
//
// First order, K/(T s + 1) with T = a0/a1 and K = b1/a1:
//   case 1, self-regulating (flag == 0)
//     set point  Kc = (1/K)(T + d/2)/(lc + d/2),  Ti = T + d/2,  Td = T d/(2T + d)
//     load       Kc = (T/K)(2lc + d)/(lc + d/2)^2, Ti = 2lc + d, Td = (lc d + d^2/4)/(2lc + d)
//   The set-point row is the IMC rule for a first-order-plus-dead-time process
//   with a first-order Pade delay; the load row is the IMC rule for an
//   integrating process K/T/s with delay, the lag-dominant view of the same
//   model, which rejects load disturbances much faster when T >> lc.
//   case 2, integrating (flag == 1), K/(s (T s + 1)); both rows alike
//     Kc = (1/K)(2lc + T + d)/(lc + d)^2,  Ti = 2lc + T + d,  Td = (2lc + d) T/(2lc + T + d)
//   A flag that is neither 0 nor 1 has no rule (NoTuningRule).
//
// Second order, K (Tz s + 1)/(a0 s^2 + a1 s + a2) with K = b2/a2 and
// Tz = b1/b2 (Tz < 0: a right-half-plane zero); the flag is not consulted.
// The poles are real when the discriminant a1^2 - 4 a0 a2 is >= 0 (a double
// pole is real), complex when it is < 0. Real poles give the lags
// T1 = -1/min(r) and T2 = -1/max(r) from the roots r of Ac, computed in the
// cancellation-free form q = -(a1 + sign(a1) sqrt(disc))/2, r = {q/a0, a2/q}.
// Complex poles are written tau^2 s^2 + 2 zeta tau s + 1 over a2, with
// tau = sqrt(a0/a2) and zeta = a1/(2 tau a2).
//   case 3, real, Tz >= 0:   Tz' = min(Tz, (T1 + T2)/2), Ti = T1 + T2 - Tz',
//                            Kc = (1/K) Ti/(lc + d), Td = max((T1 T2 - Ti Tz')/Ti, 0)
//   case 4, real, Tz < 0:    l = lc - Tz + d, Ti = T1 + T2 - Tz d/l,
//                            Kc = (1/K) Ti/l, Td = -Tz d/l + T1 T2/Ti
//   case 5, complex, Tz >= 0: Tz' = min(Tz, 1.6 zeta tau), Ti = 2 zeta tau - Tz',
//                            Kc = (1/K) Ti/(lc + d), Td = max((tau^2 - Ti Tz')/Ti, 0)
//   case 6, complex, Tz < 0: l = lc - Tz + d, Ti = 2 zeta tau - Tz d/l,
//                            Kc = (1/K) Ti/l, Td = -Tz d/l + tau^2/Ti
//   Cases 3 and 4 cap the load row's Ti at 2lc + d; cases 5 and 6 give one
//   row for both. With Tz = 0, case 3 is the IMC rule of a second-order
//   process with a Taylor delay, whose interacting form cancels both lags.
//   A NaN discriminant or Tz fits no case (NoTuningRule).
//
// The arithmetic is that of numpy float64 scalars, in the order written
// above: a zero gain or coefficient gives inf or NaN entries, never an
// exception; min and max keep their first argument unless the second is
// strictly smaller (larger), as Python's built-ins do.

#include <functional>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/flags.hpp"
#include "vantrelpid/sim/controller.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid {

inline constexpr const char* kDegreesNotEqual = "Ac and Bc degrees not equal";
inline constexpr const char* kNotFirstOrSecondOrder = "Tuning model must be of first or second order";
inline constexpr const char* kIntegratingSecondOrder = "No tuning rule for an integrating second-order model";

// A loop whose model fits none of the six cases: "No tuning rule for loop <i>"
// (i counted from 0).
class NoTuningRule : public InvalidArgument {
public:
    explicit NoTuningRule(Index loop);
};

// The two rows of one loop, non-interacting [K, Ti, Td].
struct LoopTuning {
    sim::PidParameters setpoint;
    sim::PidParameters load;
};

struct MultiLoopModels {
    Matrix Apc_tn;  // ny x 3 denominators, one loop per row (ny = rows)
    Matrix Bpc_tn;  // numerators, at least ny rows of 3
    Matrix Delayc;  // ny x nu dead times; loop i uses Delayc(i, i)
    FlagReader flag;                   // CV_INT[i]
    std::function<double(Index)> Tcl;  // Tcl[i]
};

struct MultiLoopTuning {
    Matrix PID_sp;    // ny x 3, row i = [K, Ti, Td] of loop i for the set point
    Matrix PID_load;  // ny x 3, the same for the load response
};

// Every loop in order. For loop i the row of Apc_tn, the row of Bpc_tn,
// Delayc(i, i), the flag and Tcl[i] are read in that order (an index outside
// a matrix raises OutOfRange with numpy's message), then the degree check:
// exactly one of Ac[2], Bc[2] zero raises InvalidArgument kDegreesNotEqual.
// Both zero: the row is first order. Rows of more than three coefficients
// that are not first order have no rule. The first failing loop raises and
// no rows are returned.
MultiLoopTuning knobsmulti(const MultiLoopModels& models);

// The tuning service of the facade: knobsmulti's rules for one loop.
// `apc` and `bpc` hold 2 coefficients ([T, 1], [0, K], a third 0 is
// appended) or 3; any other length, or lengths that differ, raise
// InvalidArgument kNotFirstOrSecondOrder. A second-order model with the
// integrating flag raises InvalidArgument kIntegratingSecondOrder (the rules
// have none; knobsmulti would tune it as self-regulating). Otherwise the
// failures are knobsmulti's for loop 0. The sample time plays no part and
// nothing is recorded.
LoopTuning tune_loop(const Vector& apc, const Vector& bpc, double delay, IntegratingFlag integral, double tcl);

}  // namespace vantrelpid
