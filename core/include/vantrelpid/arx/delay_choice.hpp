#pragma once
// The candidate delays of the dead-time search and the rule that picks one
// of them from their scores.

#include <vector>

#include "vantrelpid/types.hpp"

namespace vantrelpid {

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

}  // namespace vantrelpid
