#pragma once
// Dead-time search: for each output of a multi-input record, the delay in
// samples (1 = no dead time beyond the one-sample hold) whose order-10 ARX
// model, estimated over the output's selected slices with that delay on
// every input, simulates the output best.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

#include "vantrelpid/arx/delay_choice.hpp"
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
DelaySearch deadtime(const Matrix& MVdata, const Matrix& CVdata, const DelaySearchOutputs& outputs,
                     RandomSource& random, WarningSink& warnings);

}  // namespace vantrelpid
