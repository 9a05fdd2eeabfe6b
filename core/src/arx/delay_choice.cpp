#include "vantrelpid/arx/delay_choice.hpp"

#include <cmath>

namespace vantrelpid {

namespace {

// Records of at least this many samples search the full candidate list.
constexpr Index kFullListSamples = 600;
// Scores within this factor of the best count as equally good.
constexpr double kTolerance = 1.007;

}  // namespace

IntVector delay_candidates(Index n_samples, bool integrating) {
    if (integrating) return IntVector::LinSpaced(8, 1, 8);
    if (n_samples < kFullListSamples) return IntVector::LinSpaced(12, 1, 12);
    IntVector c(22);
    c << 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 28, 32, 36, 40;
    return c;
}

DelayChoice choose_delay(const std::vector<DelayScore>& scores, bool integrating) {
    if (scores.empty()) return {-1, DelayChoiceFailure::Diverged};
    // Python's min: the first element, replaced only by a strictly smaller one.
    std::size_t lowest = 0;
    for (std::size_t p = 1; p < scores.size(); ++p)
        if (scores[p].value < scores[lowest].value) lowest = p;
    const double minimum = scores[lowest].value;
    if (!std::isfinite(minimum)) return {-1, DelayChoiceFailure::NotFinite};
    if (scores[lowest].diverged) return {-1, DelayChoiceFailure::Diverged};

    const double threshold = kTolerance * minimum;
    for (std::size_t p = scores.size(); p-- > 0;) {
        const DelayScore& s = scores[p];
        if (s.diverged) continue;
        if (integrating ? s.value == minimum : s.value <= threshold) return {static_cast<Index>(p)};
    }
    return {-1, DelayChoiceFailure::Diverged};  // unreachable: the minimum itself qualifies
}

}  // namespace vantrelpid
