#pragma once
// The model an outer cascade controller sees: the inner loop closed with its
// own PID controller, in series with the outer process,
//
//     G(s) = [C2 P2 / (1 + C2 P2)] P1,   P1 = Bc1/Ac1,  P2 = Bc2/Ac2 e^(-Delayc2 s),
//
// built in discrete time at the outer sample time Ts1, checked for
// stability, and reduced to a continuous model of order 1 or 2 with dead
// time by the pair reduction (fit/pairtrim.hpp).
//
// Discrete model. Dead times become whole samples by rounding down,
// d = floor(Delayc / Ts1). The controller polynomials D, N1, N2 are those of
// the PID form code (sim/controller.hpp, with the weighted Fox Int filter).
// The loop product is discretised as one transfer function under the
// zero-order hold, (num, den) = zoh(N2 Bc2 / (D Ac2)), and the inner dead
// time is folded in as d2 leading zeros of num and d2 trailing zeros of den.
// With S = den + num the characteristic polynomial, the inner closed loop
// from set-point to process value is
//
//     one numerator ("Nonint A", "Int A"):   CL = num / S
//     two numerators (the other codes):      CL = Bd2 Spn / S,
//
// where Bd2 / Ad2 = zoh(P2) (Bd2 with its d2 leading zeros) and
// Spn / Spd = zoh(N1 / D). The second form is (N1/D) P2 / (1 + (N2/D) P2)
// with each factor discretised on its own, Bd2 den Spn / (Ad2 S Spd), after
// the common factor den = Ad2 Spd has been cancelled: the hold maps each
// continuous pole p to e^(p Ts1), so the denominator of zoh(N2 Bc2 / (D Ac2))
// is the product of those of zoh(P2) and zoh(N1/D), d2 trailing zeros
// included. Cancelled numerically instead, the pair leaves a pole and a zero
// at 1 +- 1e-10 from the controller's integrator, the model's static gain
// becomes 0/0 and the reduction's gain correction arbitrary.
//
// The cascade model is CL zoh(P1) = num_cas / den_cas; the outer dead time is
// left out of it and reaches the result through the reduction's delay, d1
// samples, so that Delaycas = (d1 + detected delay - 1) Ts1 (the model
// already holds the one-sample hold).
//
// Stability. The model is unstable when an eigenvalue of its state-space
// form lies outside the unit circle by more than 1e-6: integrators (poles at
// z = 1) pass although they are computed as 1 +- 1e-13.
//
// Dead times. The inner dead time is part of the model: its d2 samples are
// states of the cascade, so the stability test's eigenvalue problem grows
// with it, cubic in time and quadratic in memory (1,000 samples take
// seconds). It is bounded at kLongestInnerDeadTime samples, far beyond any
// inner loop, which is fast by design. The outer dead time only shifts the
// reduction's step responses and costs nothing.
//
// Results. The reduced model is gain / (T s + 1) or its second-order
// counterpart with denominator constant term 1, the tuning rows likewise;
// the numerators are scaled by std(SPdata2) / std(MVdata1) (sample standard
// deviations), the ratio of the outer controller's output to the inner
// set-point in engineering units. For an integrating outer process (the
// integrator 1/s follows Bc1/Ac1, as identification returns it) the model
// and its responses are per time unit already, as Bc1/Ac1 is: nothing is
// divided by the sample time.

#include <functional>
#include <string>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/random_source.hpp"
#include "vantrelpid/sim/controller.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/warnings.hpp"

namespace vantrelpid {

inline constexpr const char* kCascadeOK = "ok";
inline constexpr const char* kCascadeUnstable = "Secondary (inner) loop unstable";

// Eigenvalues within this of the unit circle count as on it.
inline constexpr double kCascadeStabilityTolerance = 1e-6;
// The longest inner dead time, in samples of Ts1.
inline constexpr Index kLongestInnerDeadTime = 1000;

struct CascadeInput {
    Vector Ac1, Bc1;          // outer process, descending powers of s
    bool integrating = false; // the outer CV integrates (1/s follows Bc1/Ac1): a first-order reduction
    double Delayc1 = 0.0;     // outer dead time, time units
    Vector BND1;              // the outer model's error bound, one value per w
    double Ts1 = 1.0;         // sample time of the outer loop
    Vector Ac2, Bc2;          // inner process
    double Delayc2 = 0.0;     // inner dead time, time units
    sim::PidParameters PID2;  // inner controller [K, Ti, Td]
    std::string Type2;        // its PID form code
    double SPLLAG2 = 0.0;     // set-point lead-to-lag ratio (Fox codes)
    Vector w;                 // frequencies, radians per sample
    Vector MVdata1, SPdata2;  // outer controller output, inner set-point
    // Polled by the discretisations, the frequency responses and the
    // reduction; a stop passes unchanged.
    std::reference_wrapper<const Cancellation> cancel = Cancellation::never();
};

// The discrete cascade model before its reduction.
struct DiscreteCascade {
    Vector CLn, CLd;          // inner closed loop, descending powers of z, equal lengths
    Vector num, den;          // the cascade model CL * zoh(P1), equal lengths
};

struct CascadeModel {
    std::string Message = kCascadeOK;
    bool reduced = false;     // false on the unstable path: only FRQcas and BNDcas are set
    Vector Acas, Bcas;        // reduced model, Acas ending in 1, Bcas starting with 0
    double Delaycas = 0.0;    // its dead time, time units
    Matrix STPcas;            // 3000 x 1
    Vector FRQcas, BNDcas;    // amplitude and error bound of the full model over w
    Vector Acas_tn, Bcas_tn;  // tuning model, 2 or 3 coefficients
    Vector Acas_1, Bcas_1;    // first-order model [T, 1], [0, gain]
    Matrix STPcas_1;          // 3000 x 1
    Vector FRQcas_1, BNDcas_1;
};

// The discrete model of the cascade. An inner dead time of more than
// kLongestInnerDeadTime samples raises InvalidArgument ("Delayc2 is too long
// for the sample time") before any polynomial is built; an unknown form code
// raises sim::UnknownPidType; the errors of the discretisation pass unchanged.
DiscreteCascade cascade_model(const CascadeInput& in);

// The model, its stability test and, when stable, its reduction. Raises
// InvalidArgument for a sample time that is not positive and finite, dead
// times that are negative or not finite, a BND1 without one value per point
// of w, an inner dead time as cascade_model does, and, before the reduction
// (the records only scale the reduced model, so the unstable path does not
// read them), records with a value that is not finite ("MVdata1 and SPdata2
// must be finite") or a scale std(SPdata2) / std(MVdata1) that is not a
// finite number above 0 ("MVdata1 and SPdata2 must both vary").
// The reduction draws from `random`; the unstable path draws nothing.
CascadeModel twotier(const CascadeInput& in, RandomSource& random, WarningSink& warnings);

}  // namespace vantrelpid
