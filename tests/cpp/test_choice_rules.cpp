// The small pure functions that choose among candidates: the pair reduction's
// order choice, the low-order selection's score and choice, the grade bands of
// the error bound and the multivariable identification's candidate choice. (The
// dead-time choice rule has its own file, test_delay_choice.cpp.)

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <tuple>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/fit/ceilband.hpp"
#include "vantrelpid/fit/compactfit.hpp"
#include "vantrelpid/fit/pairtrim.hpp"
#include "vantrelpid/ident/mimofit.hpp"

namespace {

using namespace vantrelpid;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(PreferredOrder, SmallFirstOrderErrorSettlesItElseTheWeightedSecondOrderErrorCompetes) {
    EXPECT_EQ(preferred_order(0.0699, 0.0), 1);
    EXPECT_EQ(preferred_order(0.05, kNaN), 1);
    EXPECT_EQ(preferred_order(0.07, 0.0), 2);   // 0.07 is not below the threshold
    EXPECT_EQ(preferred_order(0.7, 0.5), 1);    // 1.4 * 0.5 == 0.7, a tie: the first order
    EXPECT_EQ(preferred_order(0.7, 0.49), 2);
}

TEST(PreferredOrder, NonFiniteErrorsCountAsInfinite) {
    EXPECT_EQ(preferred_order(0.2, kNaN), 1);   // a diverged second-order fit is never chosen
    EXPECT_EQ(preferred_order(0.2, -kInf), 1);
    EXPECT_EQ(preferred_order(kNaN, 0.3), 2);   // a diverged first-order fit loses to a finite one
    EXPECT_EQ(preferred_order(kNaN, kNaN), 1);  // two non-finite errors: the first order
    EXPECT_EQ(preferred_order(kInf, kNaN), 1);
    EXPECT_EQ(preferred_order(0.5, 1e308), 1);  // 1.4 e2 overflows to inf
}

// An error sequence of n samples with a distinct start-up part.
Vector errors(Index n) {
    Vector e(n);
    for (Index k = 0; k < n; ++k) e(k) = std::sin(0.37 * static_cast<double>(k)) + (k < 30 ? 2.0 : 0.0);
    return e;
}

double population_variance(const Vector& x) { return (x.array() - x.mean()).square().mean(); }

TEST(AsycScore, FinalPredictionErrorWithOrderPenaltyAfterAHalfEvenStartUp) {
    // N, inputs, order and the skipped start-up min(50, round(N / 10)).
    const std::array<std::array<Index, 4>, 4> cases{{{600, 1, 3, 50}, {145, 1, 2, 14}, {155, 1, 2, 16}, {125, 2, 1, 12}}};
    for (const auto& [N, nu, order, skip] : cases) {
        const Vector e = errors(N);
        const double d = static_cast<double>((nu + 1) * (order + 1)), n = static_cast<double>(N), o = static_cast<double>(order);
        const double expected = (n + d) / (n - d) * population_variance(e.tail(N - skip)) * (1.0 + 0.03 * o);
        EXPECT_NEAR(asyc_score(e, 10.0, nu, order), expected, 1e-13 * expected) << N;
    }
    Vector e = errors(400);  // an error variance of 30 times the output's is penalised 30 times
    const double v = population_variance(e);
    EXPECT_DOUBLE_EQ(asyc_score(e, v / 30.0 / 1.0000001, 1, 1), 30.0 * asyc_score(e, v / 30.0 * 1.0000001, 1, 1));
    EXPECT_THROW(asyc_score(errors(12), 1.0, 2, 3), vantrelpid::DivisionByZero);  // N = d
    // Diverged simulations, as a running maximum seeded with the first error sees them.
    e(0) = kNaN;  // never compared above: the placeholder
    EXPECT_EQ(asyc_score(e, 1.0, 1, 1), kDivergedOrderScore);
    e = errors(400);
    e(100) = kNaN;  // a later NaN: the maximum goes on, the score is NaN
    EXPECT_TRUE(std::isnan(asyc_score(e, 1.0, 1, 1)));
    e(101) = -kInf;
    EXPECT_EQ(asyc_score(e, 1.0, 1, 1), kDivergedOrderScore);
}

TEST(BestCandidate, FirstSmallestWinsAndNanCountsAsInfinity) {
    using vantrelpid::best_candidate;
    EXPECT_EQ(best_candidate({3.0, 1.0, 1.0, 2.0}), 1);
    EXPECT_EQ(best_candidate({kNaN, 1e30}), 1);  // the placeholder beats a NaN
    EXPECT_EQ(best_candidate({kInf, kNaN, kInf}), 0);
    EXPECT_EQ(best_candidate({-4.0, 3.0}), 0);  // a negative factor wins, as numpy's argmin has it
    EXPECT_THROW(best_candidate({}), vantrelpid::InvalidArgument);
}

TEST(GradeBands, UpperLimitsBelongToTheBetterGrade) {
    using vantrelpid::grade_of;
    for (const auto& [limit, grade, next] : {std::tuple{0.3, 'A', 'B'}, {0.6, 'B', 'C'}, {0.99, 'C', 'D'}}) {
        EXPECT_EQ(grade_of(limit), grade);
        EXPECT_EQ(grade_of(std::nextafter(limit, 1.0)), next);
    }
    EXPECT_EQ(grade_of(kInf), 'D');
    EXPECT_EQ(grade_of(kNaN), '?');
}

TEST(CandidateChoice, InfiniteCriterionWithoutMoreSamplesThanParametersAndTheFirstSmallestWins) {
    EXPECT_EQ(candidate_criterion(161, 161, 0.5), kInf);
    EXPECT_EQ(candidate_criterion(150, 161, 0.0), kInf);
    EXPECT_DOUBLE_EQ(candidate_criterion(300, 100, 0.5), 400.0 / 200.0 * 0.5);
    EXPECT_EQ(chosen_candidate({1.0, 1.0, 0.5}), 2);
    EXPECT_EQ(chosen_candidate({0.7, 0.5, 0.5}), 1);
    EXPECT_EQ(chosen_candidate({kInf, kInf, kInf}), 0);
    EXPECT_EQ(chosen_candidate({0.1, kNaN, 0.0}), 1);  // numpy's argmin stops at a NaN
}

}  // namespace
