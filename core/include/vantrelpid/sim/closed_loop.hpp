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
// The window rule. A response of n samples from rest reads only the first n
// coefficients of its filter: sample t of lfilter(b, a, x) is
//
//   y[t] = (sum_{i <= t} b[i] x[t - i] - sum_{1 <= i <= t} a[i] y[t - i]) / a[0],
//
// and every polynomial a simulator filters with is built from its held pairs
// by sums and products, whose first n coefficients depend only on the first
// n coefficients of their terms (arithmetic modulo z^-n). A dead time of d
// samples enters as the factor z^-d, which modulo z^-n is 0 for every
// d >= n, as for d = n. So folding in min(d, n) samples gives the n samples
// of every response exactly (the first n coefficients are the same numbers,
// summed in the same order) at the cost of d = n however long the dead time:
// within the window such a loop never closes, the process value has not
// moved and the controller output is its open-loop response.
//
// A frequency response sees the whole dead time: on the unit circle z^-d is
// the rotation e^(-jwd), which needs the exact d but no padded coefficient
// (control_sensitivity). The switch to it sits where the folding saturates,
// at d >= n: from there on padded polynomials would only grow with d, while
// below it they are at most n coefficients longer than the loop's and are
// evaluated as they always were, so that every result of a shorter dead time
// stays the same, bit for bit. The responses need no switch: for d < n,
// folding in min(d, n) samples is folding in d.
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
// non-finite ratio InvalidArgument (Python's int() and round() refuse it), a
// ratio above 1e9 InvalidArgument "a dead time of <ratio> samples is too long
// to simulate" and one below -1e9 numpy's "negative dimensions are not
// allowed".
std::int64_t floor_samples(double delay, double Ts);
std::int64_t round_samples(double delay, double Ts);

// The dead time that a window of n samples sees: min(d, n) (the window rule).
inline std::int64_t window_dead_time(std::int64_t d, Index n = kResponseLength) { return d < n ? d : n; }

// True when a dead time of d samples outlasts a window of n samples, so that
// the window rule shortens it.
inline bool outlasts_window(std::int64_t d, Index n = kResponseLength) { return d >= n; }

// The pair with a dead time of d samples folded in as the responses see it:
// window_dead_time(d) leading zeros of num and as many trailing zeros of den.
// A negative d raises InvalidArgument with numpy's "negative dimensions are
// not allowed".
util::TransferFunction delayed(const util::TransferFunction& tf, std::int64_t d);

// A unit step delayed by d samples, n samples long: np.concatenate(
// [np.zeros(d), np.ones(n - d)]), all zeros for d >= n (the window rule). A
// negative d raises as for `delayed`.
Vector delayed_step(std::int64_t d, Index n = kResponseLength);

// The control sensitivity of a loop with its dead time's exact phase: the
// amplitude at each w of the controller C = Bc/Ac over 1 + L, L = z^-d B/A
// the open loop (`loop`, its dead time not folded in), so S = A + z^-d B:
//
//   |C / (1 + L)| = |Bc(e^jw) A(e^jw)| / |Ac(e^jw) (A(e^jw) + e^(-jwd) B(e^jw))|.
//
// On the unit circle z^-d is the rotation e^(-jwd): no padded coefficient is
// built, and the phase w d is formed without rounding (the product's
// rounding error, recovered by fma, enters as a second, tiny rotation), so
// a dead time of 1e9 samples costs no accuracy. Each factor is evaluated on
// its own: with integral action Ac and A both vanish at z = 1, and near it
// the products Bc (*) A and Ac (*) S are far smaller than their coefficients
// (1e-11 of them at w = 3e-4 for an integral time of 2500 samples), where
// their rounding would be all that is left.
Vector control_sensitivity(const util::TransferFunction& controller, const util::TransferFunction& loop,
                           std::int64_t d, const Vector& w);

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
