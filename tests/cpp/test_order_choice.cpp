// The order choice of the pair-model reduction.

#include <gtest/gtest.h>

#include <limits>

#include "vantrelpid/fit/pairtrim.hpp"

namespace {

using vantrelpid::preferred_order;

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

}  // namespace
