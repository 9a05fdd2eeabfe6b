#pragma once
// Dead-time search: for each output of a multi-input record, the delay in
// samples (1 = no dead time beyond the one-sample hold) whose order-10 ARX
// model, estimated over the output's selected slices with that delay on
// every input, simulates the output best.

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <vector>

#include "vantrelpid/arx/delay_choice.hpp"
#include "vantrelpid/arx/model.hpp"
#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/warnings.hpp"

namespace vantrelpid {

// No candidate delay of an output qualifies (every score is the divergence
// placeholder, or the smallest score is not a finite number).
class DelayEstimationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OutputDelaySearch {
    IntVector candidates;
    std::vector<DelayScore> scores;
};

struct DelaySearch {
    IntMatrix Delay;  // ny x nu, every column of a row the same
    std::vector<OutputDelaySearch> ErrTest;
};

// The per-output arguments, read when the search reaches each output: the
// slice selection of output k checked against the record of n_rows samples
// (checked_selection of its table) and the integrating flag.
struct DelaySearchOutputs {
    std::function<CheckedSelection(Index k, Index n_rows)> selection;
    std::function<bool(Index)> integrating;
};

// MVdata: N x nu inputs, CVdata: N x ny outputs. N < 150 raises
// InvalidArgument "Sample number too small (< 150)"; an output without a
// selected slice raises InvalidArgument; an output without a qualifying
// candidate raises DelayEstimationError naming it. Draws from `random` as the
// preprocessing and the sliced ARX estimate do.
// Every candidate polls `cancel`.
DelaySearch deadtime(const Matrix& MVdata, const Matrix& CVdata, const DelaySearchOutputs& outputs,
                     RandomSource& random, WarningSink& warnings, const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid

namespace vantrelpid::detail {

// How many candidates' simulations share one pass over the record, and the
// largest order they may have.
inline constexpr Index kSimulatedTogether = 4;
inline constexpr Index kMaxSimulatedOrder = 10;

// Column c: the output of models[c] simulated from rest on U with every
// column delayed by delays(c), that is
// misosim(models[c].den, models[c].num, add_dly(U, delays(c))), with misosim's
// operations in misosim's order, so the values are the same to the last bit.
// 1 to kSimulatedTogether models of one shape. The record is simulated in
// blocks that stay in cache: in each, the inputs' terms are added to all its
// samples at once (they need no recursion), then the models' recursions run
// side by side, overlapping in the processor instead of each waiting on its
// own chain of additions.
Matrix simulate_delayed(const Matrix& U, std::span<const ArxModel> models, const IntVector& delays);

}  // namespace vantrelpid::detail
