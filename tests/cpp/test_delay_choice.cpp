// The choice rule of the dead-time search.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "vantrelpid/arx/delay_choice.hpp"

namespace {

using vantrelpid::choose_delay;
using vantrelpid::DelayChoiceFailure;
using vantrelpid::DelayScore;

std::vector<DelayScore> scores(std::initializer_list<double> values) {
    std::vector<DelayScore> out;
    for (double v : values) out.push_back({v, false});
    return out;
}

const DelayScore kDiverged{vantrelpid::kDivergedScore, true};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(DelayChoice, LastScoreWithinTheToleranceOrTheLastExactMinimumWhenIntegrating) {
    // 1.007 * 0.2 = 0.2014: position 3 qualifies, 0.25 does not; the threshold itself qualifies.
    EXPECT_EQ(choose_delay(scores({0.5, 0.3, 0.2, 0.2013, 0.25, 0.3}), false).position, 3);
    EXPECT_EQ(choose_delay(scores({0.5, 1.007 * 0.5}), false).position, 1);
    EXPECT_EQ(choose_delay(scores({0.5, std::nextafter(1.007 * 0.5, 1.0)}), false).position, 0);
    EXPECT_EQ(choose_delay(scores({0.4, 0.1, 0.3, 0.1, 0.1001}), true).position, 3);
}

TEST(DelayChoice, DivergedCandidatesAreNeverChosen) {
    std::vector<DelayScore> s = scores({9950.0, 9990.0});  // near 10000 the band would reach the placeholder
    s.push_back(kDiverged);
    const auto c = choose_delay(s, false);
    EXPECT_EQ(c.failure, DelayChoiceFailure::None);
    EXPECT_EQ(c.position, 1);
    EXPECT_EQ(choose_delay({kDiverged, kDiverged}, true).failure, DelayChoiceFailure::Diverged);
    s = scores({2e4, 3e5});  // unstable candidates score above the placeholder
    s.insert(s.begin() + 1, kDiverged);
    EXPECT_EQ(choose_delay(s, false).failure, DelayChoiceFailure::Diverged);
}

TEST(DelayChoice, NonFiniteMinimumAsPythonsMinFindsIt) {
    // A leading NaN stays Python's minimum; a later NaN is never it.
    EXPECT_EQ(choose_delay(scores({kNaN, 0.2, 0.3}), false).failure, DelayChoiceFailure::NotFinite);
    EXPECT_EQ(choose_delay(scores({0.2, kNaN, 0.201}), false).position, 2);
    EXPECT_EQ(choose_delay(scores({INFINITY, INFINITY}), false).failure, DelayChoiceFailure::NotFinite);
}

}  // namespace
