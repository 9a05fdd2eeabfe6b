#pragma once
// Open-loop responses of a continuous model of at most second order with
// dead time: its unit-step response and its amplitude response at a given
// sample time, for the host to handle like an identification result.
//
// The model Bpc(s)/Apc(s) e^(-Delayc s) is held with the zero-order hold at
// the sample time (a monic denominator Ad and a numerator Bd of its length),
// and the dead time enters as d = floor(Delayc / sampletime) leading zeros
// of the numerator, z^-d Bd / Ad. The step response folds in only the zeros
// that its 3000 samples see (the window rule of closed_loop.hpp: for
// d >= 3000 it is all zeros). The amplitude is taken on 75 points spaced
// logarithmically from pi 1e-4 to pi radians per sample, where
// |e^(-jwd) Bd / Ad| = |Bd / Ad|.

#include <cstdint>
#include <functional>

#include "vantrelpid/types.hpp"

namespace vantrelpid {

inline constexpr Index kOpenLoopStepLength = 3000;
inline constexpr Index kOpenLoopFrequencies = 75;
inline constexpr Index kOpenLoopMaxCoefficients = 3;

// What the checks read of the arguments: the two lengths, whether the
// integrating flag equals 1, and whether Bpc[0] differs from 0 (asked only
// when the earlier checks pass).
struct OpenLoopArguments {
    Index Apc_length = 0, Bpc_length = 0;
    bool integral_is_one = false;
    std::function<bool()> first_numerator_nonzero;
};

// The message of the first check that fails, in this order: "length of Apc
// and Bpc must be equal", "Apc and Bpc must be 2nd order or less", "integral
// not supported for 2nd order system", "Bpc[0] must be 0.0"; null when all pass.
const char* open_loop_check(const OpenLoopArguments& args);

struct OpenLoopResponse {
    std::int64_t Delay = 0;  // the dead time in samples
    Vector Bd, Ad;  // the discrete model z^-Delay Bd / Ad
    Vector stp;     // 3000 samples of the unit-step response from rest
    Vector w;       // the 75 frequencies, radians per sample
    Vector frq;     // the amplitude at w
};

// Only the leading zeros of Bpc are removed before the hold (an all-zero
// Bpc is the numerator [0], a zero response). The errors of the hold (a
// sample time that is not positive, a numerator of higher degree) pass
// unchanged; a dead time that gives a negative number of samples raises
// InvalidArgument "negative dimensions are not allowed", one of more than
// 1e9 samples is refused as the closed-loop simulators refuse it.
OpenLoopResponse freerun(const Vector& Apc, const Vector& Bpc, double Delayc, double sampletime);

}  // namespace vantrelpid
