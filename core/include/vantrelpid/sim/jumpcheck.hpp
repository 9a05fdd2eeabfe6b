#pragma once
// Validation of a single-input, single-output continuous model with dead time
// against one logged input and output record.
//
// The model Bc(s)/Ac(s) e^(-Delayc s) is held at the sample time Ts and the
// dead time taken as dly = round(Delayc / Ts) samples (halves to even). The
// logged input loses its offset (the mean of samples 2 to 12) and drives the
// model; the output loses the level of its first tenth of selected samples.
// The error percentage compares the model driven by the high-pass filtered
// input with the high-pass filtered output, so slow drifts of the plant do
// not count against the model:
//
//   Yerror = 100 var(yh - ym) / var(yh)   (divisor count - 1)
//
// over the selected samples, the first min(round(N / 8), 50) of them skipped
// while the filters and the model settle from rest.
//
// An integrating output (a level) is compared through its sample-to-sample
// changes. The model is read in the continuous convention of the
// identification (Bc/Ac followed by the integrator 1/s), so it gives the
// rate of change per time unit; its simulations are multiplied by Ts to give
// the change per sample before they are compared and summed back into a
// level. The summed simulation is high-pass filtered at 0.001, freed of its
// linear trend and started on the first logged value.

#include <cstdint>
#include <functional>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/flags.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid {

// Length of the model's step response.
inline constexpr Index kValidationStepLength = 3000;
// Most selected samples left out of the error at the start.
inline constexpr std::int64_t kValidationMaxSkip = 50;

struct ValidationData {
    Vector Ac, Bc;         // continuous model, descending powers of s
    double Delayc = 0.0;   // dead time in time units
    double Ts = 1.0;       // sample time
    Vector U, Y;           // the logged input and output, N samples each
    IntegratingFlag flag = IntegratingFlag::SelfRegulating;
    // The output's slice table (rows of deselected stretches), read once, at
    // its step: after the model, the delay and the input offset.
    std::function<IntMatrix()> slice_table;
    // Polled by the discretisation; a stop passes unchanged.
    std::reference_wrapper<const Cancellation> cancel = Cancellation::never();
};

struct ModelValidation {
    Vector Stepres;       // 3000 samples, dead time included
    Vector Ysim;          // N samples on the level of Y
    double Yerror = 0.0;  // percent
};

// U and Y must have the same length of at least 2 samples ("U and Y must
// have the same number of rows", "U and Y need at least 2 samples"), and the
// slice table must leave samples to compare ("The slice table leaves no
// samples to compare"). A flag other than 0 or 1 raises InvalidArgument
// "CV_INTk must be either 0 or 1" where the preprocessing checks it (after
// the slice table is read). A negative dead time raises add_dly's error; the
// errors of the discretisation and of the slice selection pass unchanged.
// A dead time of 3000 samples or more gives a step response of zeros.
ModelValidation jumpcheck(ValidationData in);

}  // namespace vantrelpid
