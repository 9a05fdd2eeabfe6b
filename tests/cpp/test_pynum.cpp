// Python number semantics of the core.

#include <gtest/gtest.h>

#include <cmath>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"

namespace pn = vantrelpid::pynum;

TEST(PyNum, RoundingHalfToEvenAndSlicesAsPython) {
    EXPECT_EQ(pn::round_half_even(2.5), 2);
    EXPECT_EQ(pn::round_half_even(-2.5), -2);
    EXPECT_EQ(pn::round_half_even(0.4999999999999999), 0);
    EXPECT_EQ(pn::round_ratio(1204, 8), 150);  // 150.5
    EXPECT_THROW(pn::round_half_even(std::nan("")), vantrelpid::InvalidArgument);
    EXPECT_EQ(pn::truncate(-4.9), -4);
    EXPECT_EQ(pn::clip_slice(-1, 10, 10).start, 9);  // seq[-1:10] of ten
    EXPECT_EQ(pn::clip_slice(8, 4, 10).length(), 0);
    EXPECT_THROW(pn::normalize_index(5, 5), vantrelpid::OutOfRange);
}
