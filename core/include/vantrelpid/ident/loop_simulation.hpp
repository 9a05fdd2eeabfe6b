#pragma once
// The identified models of one loop simulated against its data: the records
// prepared as for identification, the simulated outputs level-aligned with
// the measured ones, and error percentages of the slowly high-pass filtered
// data on the selected samples.

#include <cstdint>

#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/util/filters.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid {

// The high-pass filter of the comparison (a fraction of the Nyquist frequency).
inline constexpr double kComparisonCutoff = 0.002;
// The first selected samples left out of the error percentages: the
// simulations start from rest.
inline constexpr Index kComparisonStartup = 59;

struct LoopSimulation {
    Vector Ysim, Ysim1;            // N values, with the mean of Y over the selected samples
    double Yerror = 0, Yerror1 = 0;  // percent; NaN with fewer than 60 selected samples
};

// U, Y: the N x 1 records; samples: the selected samples, checked against
// the records (whose lengths must be at least the checked record's); model: the
// identified state-space model, driven through `delay` samples; first: the
// discrete first-order model (descending powers of z, equal lengths), driven
// through `first_delay` samples. For an integrating output the offsets are
// taken over the whole record and the model inputs are summed.
LoopSimulation simulate_loop(const Matrix& U, const Matrix& Y, const CheckedSamples& samples, bool integrating,
                             const util::StateSpace& model, std::int64_t delay,
                             const util::TransferFunction& first, std::int64_t first_delay);

}  // namespace vantrelpid
