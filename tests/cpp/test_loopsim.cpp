// loopsim's C++ entry, as the facade's closed-loop service calls it: statuses and
// the stability test on non-finite responses.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "vantrelpid/sim/loopsim.hpp"

namespace {

using vantrelpid::Vector;
using namespace vantrelpid::sim;

LoopsimInput lag_loop(std::string_view type, PidParameters pid) {
    LoopsimInput in;
    in.Apc = Vector{{10.0, 1.0}};
    in.Bpc = Vector{{0.0, 2.0}};
    in.Delay = 5.0;
    in.BND = Vector::Constant(3, 0.1);
    in.pid = pid;
    in.Type = type;
    in.Ts = 1.0;
    in.w = Vector{{0.01, 0.1, 1.0}};
    in.SPLLAG = 0.5;
    in.Tauf = 0.0;
    return in;
}

bool empty(const LoopsimResult& r) { return !r.Ysp && !r.Usp && !r.Yld && !r.Uld && !r.Robust; }

TEST(Loopsim, StableLoopFillsEveryResult) {
    const LoopsimResult r = loopsim(lag_loop("Int A", {0.4, 10.0, 1.0}));
    EXPECT_EQ(r.Message, "OK");
    ASSERT_TRUE(r.Ysp && r.Usp && r.Yld && r.Uld && r.Robust);
    EXPECT_EQ(r.Ysp->size(), kResponseLength);
    EXPECT_EQ(r.Robust->size(), 3);
    EXPECT_NEAR((*r.Ysp)(kResponseLength - 1), 1.0, 1e-9);
}

TEST(Loopsim, RefusalsAndFailuresAreStatuses) {
    EXPECT_EQ(loopsim(lag_loop("Int A", {0.0, -1.0, 1.0})).Message, "K is 0");
    const LoopsimResult unknown = loopsim(lag_loop("Int  A", {0.4, 10.0, 1.0}));
    EXPECT_EQ(unknown.Message, "Simulation failed: PID type unknown");
    EXPECT_TRUE(empty(unknown));
    EXPECT_EQ(loopsim(lag_loop("Fox Int", {0.4, 0.0, 0.0})).Message, "Simulation failed: float division by zero");
}

TEST(Loopsim, OverflowingResponsesAreUnstable) {
    // K = 40 drives the responses to infinities and NaN within 3000 samples.
    for (const char* code : {"Int A", "Int B", "Fox Nonint"}) {
        const LoopsimResult r = loopsim(lag_loop(code, {40.0, 10.0, 1.0}));
        EXPECT_EQ(r.Message, kStatusUnstable) << code;
        EXPECT_TRUE(empty(r)) << code;
    }
}

TEST(ClosedLoop, WithinFailsOnNaNAndInfinity) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(within(Vector{{1.0, -1000.0}}, 1000.0));
    EXPECT_FALSE(within(Vector{{1.0, nan}}, 1000.0));
    EXPECT_FALSE(within(Vector{{-inf, 1.0}}, 1000.0));
    EXPECT_FALSE(within(Vector{{1000.5}}, 1000.0));
}

}  // namespace
