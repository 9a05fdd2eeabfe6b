#pragma once
// Building blocks shared by the closed-loop simulators (loopsim, tracksim, feedsim).
//
// Every response is built from polynomial products (full convolutions of
// coefficient vectors, descending powers), discretised with the zero-order
// hold (c2dm2), and filtered from a unit step of kResponseLength samples. A
// dead time of d whole samples is folded into a discrete pair as d leading
// zeros of its numerator and d trailing zeros of its denominator: both keep
// equal lengths, so the open loop L = B/A closes as S = A + B, added
// coefficient by coefficient.
//
// The stability tests compare the largest magnitude of a response with a
// threshold. A violently unstable loop overflows to infinities and then NaN,
// and `max > limit` is false for NaN, so a response passes only when its
// largest magnitude is a finite number at most the threshold.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vantrelpid/sim/controller.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/util/filters.hpp"

namespace vantrelpid::sim {

// Samples of every step response.
inline constexpr Index kResponseLength = 3000;

// The first-order polynomial [first, second] (descending powers).
inline Vector coefficients(double first, double second) {
    Vector v(2);
    v << first, second;
    return v;
}

inline constexpr const char* kStatusOK = "OK";
inline constexpr const char* kStatusUnstable = "Closed-loop system unstable! Increase Tcl";
inline constexpr const char* kStatusKZero = "K is 0";
inline constexpr const char* kStatusTiNegative = "Ti is negative";
inline constexpr const char* kStatusTdNegative = "Td is negative";

// The refusals of a PID vector, checked in this order: K == 0, Ti < 0,
// Td < 0. Ti == 0 and Td == 0 pass (a NaN passes as Python's comparisons do).
std::optional<std::string> pid_refusal(const PidParameters& pid);

// The continuous plant Bpc/Apc of a loop, times 1/s when integrating: Apc
// gains a trailing 0 and Bpc a leading 0 (equal lengths stay equal).
util::TransferFunction loop_plant(const Vector& Apc, const Vector& Bpc, bool integrating);

// controller_polynomials with the caller's wording of an unknown code: the
// failure is rethrown as InvalidArgument(unknown_wording).
ControllerPolynomials controller(const PidParameters& pid, std::string_view type, double spllag,
                                 FoxIntFilter fox_int_filter, const char* unknown_wording);

// A dead time in whole samples: int(np.floor(delay / Ts)) and
// round(delay / Ts) (halves to even). Ts == 0 raises DivisionByZero, a
// non-finite ratio InvalidArgument (Python's int() and round() refuse it).
std::int64_t floor_samples(double delay, double Ts);
std::int64_t round_samples(double delay, double Ts);

// The pair with a dead time of d samples folded in (d leading zeros of num,
// d trailing zeros of den). A negative d raises InvalidArgument with numpy's
// "negative dimensions are not allowed".
util::TransferFunction delayed(const util::TransferFunction& tf, std::int64_t d);

// np.concatenate([np.zeros(d), np.ones(n - d)]): a unit step delayed by d
// samples; d < 0 or d > n raises as for `delayed`.
Vector delayed_step(std::int64_t d, Index n = kResponseLength);

// a + b, coefficient by coefficient (equal lengths, as the folding keeps them).
Vector add(const Vector& a, const Vector& b);

// a (*) b (*) ...: the polynomial product of the factors.
Vector product(const Vector& a, const Vector& b);
Vector product(const Vector& a, const Vector& b, const Vector& c);

// True when the largest magnitude of y is finite and at most `limit`.
bool within(const Vector& y, double limit);

// lfilter(b, a, x), and the unit step response of b/a over kResponseLength
// samples.
Vector response(const Vector& b, const Vector& a, const Vector& x);
Vector step_response(const Vector& b, const Vector& a);

}  // namespace vantrelpid::sim
