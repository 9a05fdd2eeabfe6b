#pragma once
// The numerical part of the facade's tuning request: one loop's model and
// closed-loop time constant Tcl in, its tuned PID controller and the
// closed-loop responses of the controller its vendor form shows out.
//
// The chain: the tuning service gives the non-interacting set-point and load
// rows (tune/knobsmulti.hpp, tune_loop); the set-point row is converted to
// the interacting form (tune/formswap.hpp), limiting Td to Ti/4; the caller
// writes the vendor texts; the closed loop is simulated with the controller
// shown for the form code (sim/tuned_loop.hpp).
//
// A request the chain cannot answer truthfully is refused first: Tcl <= 0
// gives negative gains and empty responses, a zero span an infinite
// proportional band, a negative dead time a model that answers before it is
// excited (and a negative derivative time), a zero sample time no sampled
// loop. Responses are shown for N = int(min(15 Tcl, 1000)) samples (about
// fifteen closed-loop time constants, at most 1000), with Python's slice
// rules.

#include <cstdint>
#include <string_view>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/flags.hpp"
#include "vantrelpid/sim/tuned_loop.hpp"
#include "vantrelpid/tune/knobsmulti.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid::facade {

inline constexpr const char* kTclRefused = "Tcl must be a positive, finite time constant";
inline constexpr const char* kRangesRefused = "OP and SP ranges must be positive, finite numbers";
inline constexpr const char* kDelayRefused = "Delay must be a finite dead time of at least 0";
inline constexpr const char* kSampleTimeRefused = "Sample time must be a positive, finite number";

// The request's numbers; NaN stands for a value that is no number.
struct TuningRequestNumbers {
    double tcl, oprange, sprange, delay, sampletime;
};

// InvalidArgument, in this order: kTclRefused unless tcl is finite and > 0,
// kRangesRefused unless both spans are, kDelayRefused unless delay is finite
// and >= 0, kSampleTimeRefused unless sampletime is finite and > 0.
void check_tuning_request(const TuningRequestNumbers& request);

// The grid used when the caller gives no frequencies or no bound:
// np.linspace(0, pi, 75) and 75 zeros.
inline constexpr Index kDefaultGridPoints = 75;
struct RobustnessGrid {
    Vector w, BND;
};
RobustnessGrid default_grid();

// int(min(15 * tcl, 1000)) for a finite tcl (1000 only when strictly smaller).
std::int64_t response_length(double tcl);

// The loop as the host describes it.
struct LoopModel {
    Vector apc, bpc;  // descending powers of s, integrator not included
    double delay = 0.0;
    IntegratingFlag integral = IntegratingFlag::SelfRegulating;
};

// The tuning's rows and the set-point row's interacting form; the tuning
// service's errors reach the caller.
struct TunedRows {
    LoopTuning tuning;               // non-interacting set-point and load rows
    sim::PidParameters interacting;  // the set-point row in the interacting form
};
TunedRows tune(const LoopModel& loop, double tcl);

// The simulation's input: the closed loop with the controller the vendor
// form of `type` shows, sampled every Ts, its robustness curve over w
// (sim::tuned_loop_responses runs it and reports failures in its Message;
// the host's stop through `cancel` passes unchanged).
sim::TunedLoopInput simulation_input(const LoopModel& loop, const TunedRows& rows, bool pi_only,
                                     std::string_view type, double Ts, const Vector& BND, const Vector& w,
                                     const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid::facade
