// Conversions of floats to int64 at the ends of the range: a value beyond it
// is reported or saturated, never cast (a cast would be undefined).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"

namespace {

using namespace vantrelpid;
using Limits = std::numeric_limits<std::int64_t>;

TEST(PythonNumbers, RoundingAndTruncationBeyondInt64RaiseOverflow) {
    EXPECT_EQ(pynum::truncate(-0x1p63), Limits::min());
    EXPECT_EQ(pynum::round_half_even(0x1p62 + 0.0), std::int64_t{1} << 62);
    EXPECT_THROW(pynum::truncate(0x1p63), Overflow);
    EXPECT_THROW(pynum::round_half_even(1e300, "Delay"), Overflow);
    EXPECT_THROW(pynum::round_half_even(-1e300), Overflow);
    EXPECT_THROW(pynum::truncate(std::nan("")), InvalidArgument);
    try {
        pynum::round_half_even(1e19, "Delay");
        ADD_FAILURE() << "1e19 was converted";
    } catch (const Overflow& e) {
        EXPECT_STREQ(e.what(), "Delay is too large for a 64-bit integer");
    }
}

TEST(PythonNumbers, WholeNumbersBeyondInt64SaturateAndTheSuccessorOfTheLimitIsSpelledOut) {
    EXPECT_TRUE(pynum::fits_int64(-0x1p63));
    EXPECT_FALSE(pynum::fits_int64(0x1p63));
    EXPECT_FALSE(pynum::fits_int64(std::nan("")));
    EXPECT_EQ(pynum::saturate_whole(1e300), Limits::max());
    EXPECT_EQ(pynum::saturate_whole(-1e300), Limits::min());
    EXPECT_EQ(pynum::saturate_whole(-5.0), -5);
    EXPECT_EQ(pynum::successor_text(Limits::max()), "9223372036854775808");
    EXPECT_EQ(pynum::successor_text(3), "4");
}

}  // namespace
