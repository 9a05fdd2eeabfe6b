#pragma once
// Dead-time search: for each output of a multi-input record, the delay in
// samples (1 = no dead time beyond the one-sample hold) whose order-10 ARX
// model, estimated over the output's selected slices with that delay on
// every input, simulates the output best.

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

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

// The score of one candidate delay: the variance of the simulation error
// over the selected samples (its first 60 left out) relative to the output's
// variance, or the placeholder 10000 when the simulation diverged.
struct DelayScore {
    double value = 0.0;
    bool diverged = false;
};

inline constexpr double kDivergedScore = 10000.0;

// The candidate delays of one output: 1..8 for an integrating output, else
// 1..12, 14, ..., 24, 28, ..., 40 for records of at least 600 samples and
// 1..12 below.
IntVector delay_candidates(Index n_samples, bool integrating);

// The choice among the scores of one output's candidates, in candidate order.
enum class DelayChoiceFailure {
    None,
    Diverged,      // the smallest score is a diverged candidate's placeholder
    NotFinite,     // the smallest score (Python's min) is NaN or infinite
};
struct DelayChoice {
    Index position = -1;
    DelayChoiceFailure failure = DelayChoiceFailure::None;
};
// The minimum is taken as Python's min takes it (the first of equal values;
// a leading NaN stays the minimum). Chosen is the last position whose score
// is within 1.007 times the minimum, or equals it for an integrating output;
// a diverged candidate is never chosen.
DelayChoice choose_delay(const std::vector<DelayScore>& scores, bool integrating);

struct OutputDelaySearch {
    IntVector candidates;
    std::vector<DelayScore> scores;
};

struct DelaySearch {
    IntMatrix Delay;  // ny x nu, every column of a row the same
    std::vector<OutputDelaySearch> ErrTest;
};

// The per-output arguments, read when the search reaches each output: the
// slice table (rows of deselected stretches, as segmask reads them) and the
// integrating flag.
struct DelaySearchOutputs {
    std::function<IntMatrix(Index)> slice_table;
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
