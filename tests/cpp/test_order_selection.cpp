// The scoring and choice of the low-order model selection, and the grade
// bands of the error bound: small pure functions, tested directly.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/fit/ceilband.hpp"
#include "vantrelpid/fit/compactfit.hpp"

namespace {

using vantrelpid::Index;
using vantrelpid::Vector;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Population variance by the textbook two-pass formula.
double variance(const Vector& x) {
    const double m = x.mean();
    return (x.array() - m).square().sum() / static_cast<double>(x.size());
}

// An error sequence of n samples with a distinct start-up part.
Vector errors(Index n) {
    Vector e(n);
    for (Index k = 0; k < n; ++k) e(k) = std::sin(0.37 * static_cast<double>(k)) + (k < 30 ? 2.0 : 0.0);
    return e;
}

struct ScoreCase {
    Index n_samples, n_inputs, order, skip;
};

class AsycScore : public ::testing::TestWithParam<ScoreCase> {};

TEST_P(AsycScore, FinalPredictionErrorWithOrderPenalty) {
    const ScoreCase c = GetParam();
    const Vector e = errors(c.n_samples);
    const double d = static_cast<double>((c.n_inputs + 1) * (c.order + 1));
    const double n = static_cast<double>(c.n_samples);
    const double expected = (n + d) / (n - d) * variance(e.tail(c.n_samples - c.skip)) *
                            (1.0 + 0.03 * static_cast<double>(c.order));
    EXPECT_NEAR(vantrelpid::asyc_score(e, 10.0, c.n_inputs, c.order), expected, 1e-13 * std::abs(expected));
}

// The start-up skip is min(50, round(N / 10)) with halves to even.
INSTANTIATE_TEST_SUITE_P(Skips, AsycScore,
                         ::testing::Values(ScoreCase{400, 1, 1, 40}, ScoreCase{600, 1, 3, 50},
                                           ScoreCase{505, 2, 3, 50}, ScoreCase{145, 1, 2, 14},
                                           ScoreCase{155, 1, 2, 16}, ScoreCase{125, 2, 1, 12},
                                           ScoreCase{5, 1, 2, 0}));

TEST(AsycScoreRules, LargeErrorVarianceIsPenalisedThirtyTimes) {
    const Vector e = errors(400);
    const double plain = vantrelpid::asyc_score(e, 1.0, 1, 1);
    const double v = variance(e);
    EXPECT_DOUBLE_EQ(vantrelpid::asyc_score(e, v / 30.0 * 1.0000001, 1, 1), plain);  // ratio just below 30
    EXPECT_DOUBLE_EQ(vantrelpid::asyc_score(e, v / 30.0 / 1.0000001, 1, 1), 30.0 * plain);
}

TEST(AsycScoreRules, DivergedSimulationScoresThePlaceholder) {
    Vector e = errors(400);
    e(200) = 1e31;
    EXPECT_EQ(vantrelpid::asyc_score(e, 1.0, 1, 1), vantrelpid::kDivergedScore);
    e(200) = -kInf;
    EXPECT_EQ(vantrelpid::asyc_score(e, 1.0, 1, 1), vantrelpid::kDivergedScore);
    e(200) = 9.9e30;  // below the limit: scored
    const double scored = vantrelpid::asyc_score(e, 1e70, 1, 1);
    EXPECT_TRUE(std::isfinite(scored));
    EXPECT_NE(scored, vantrelpid::kDivergedScore);
}

TEST(AsycScoreRules, NanFirstErrorScoresThePlaceholderLaterNanScoresNan) {
    Vector e = errors(400);
    e(0) = kNaN;
    e(100) = 1e40;  // never compared above the NaN seed
    EXPECT_EQ(vantrelpid::asyc_score(e, 1.0, 1, 1), vantrelpid::kDivergedScore);
    e = errors(400);
    e(100) = kNaN;
    e(101) = 1e40;  // the running maximum still sees this one
    EXPECT_EQ(vantrelpid::asyc_score(e, 1.0, 1, 1), vantrelpid::kDivergedScore);
    e(101) = 0.0;
    EXPECT_TRUE(std::isnan(vantrelpid::asyc_score(e, 1.0, 1, 1)));
}

TEST(AsycScoreRules, SampleCountEqualToParameterCountDividesByZero) {
    EXPECT_THROW(vantrelpid::asyc_score(errors(12), 1.0, 2, 3), vantrelpid::DivisionByZero);
    EXPECT_LT(vantrelpid::asyc_score(errors(11), 1.0, 2, 3), 0.0);  // fewer samples: a negative factor
    EXPECT_THROW(vantrelpid::asyc_score(Vector(), 1.0, 1, 1), vantrelpid::InvalidArgument);
}

TEST(BestCandidate, FirstSmallestWinsAndNanCountsAsInfinity) {
    using vantrelpid::best_candidate;
    EXPECT_EQ(best_candidate({3.0, 1.0, 1.0, 2.0}), 1);
    EXPECT_EQ(best_candidate({1e30, 1e30, 1e30}), 0);
    EXPECT_EQ(best_candidate({kNaN, 5.0, kNaN}), 1);
    EXPECT_EQ(best_candidate({kNaN, 1e30, 2.0}), 2);
    EXPECT_EQ(best_candidate({kNaN, 1e30}), 1);  // the placeholder beats a NaN
    EXPECT_EQ(best_candidate({kNaN, kNaN}), 0);
    EXPECT_EQ(best_candidate({kInf, kNaN, kInf}), 0);
    EXPECT_EQ(best_candidate({-4.0, 3.0}), 0);  // a negative factor wins, as numpy's argmin has it
    EXPECT_THROW(best_candidate({}), vantrelpid::InvalidArgument);
}

TEST(GradeBands, UpperLimitsBelongToTheBetterGrade) {
    using vantrelpid::grade_of;
    EXPECT_EQ(grade_of(0.0), 'A');
    EXPECT_EQ(grade_of(0.3), 'A');
    EXPECT_EQ(grade_of(std::nextafter(0.3, 1.0)), 'B');
    EXPECT_EQ(grade_of(0.6), 'B');
    EXPECT_EQ(grade_of(std::nextafter(0.6, 1.0)), 'C');
    EXPECT_EQ(grade_of(0.99), 'C');
    EXPECT_EQ(grade_of(std::nextafter(0.99, 1.0)), 'D');
    EXPECT_EQ(grade_of(kInf), 'D');
    EXPECT_EQ(grade_of(kNaN), '?');
}

}  // namespace
