// Closed-loop building blocks that no Python call reaches at their edges: the
// form-code predicate and the stability bound on values at, above and beyond the
// limit. The controller polynomials of every code, their Fox Int variants and the
// loopsim entry are compared with scipy through the Python modules.

#include <gtest/gtest.h>

#include <limits>

#include "vantrelpid/sim/closed_loop.hpp"
#include "vantrelpid/sim/controller.hpp"

namespace {

using vantrelpid::Vector;
using namespace vantrelpid::sim;

TEST(ControllerPolynomials, CodesAreExactStrings) {
    for (const char* code : {"nonint a", "", "Nonint  A", "Int A ", "Fox"}) {
        EXPECT_FALSE(is_pid_form_code(code)) << code;
        EXPECT_THROW(controller_polynomials({2.0, 10.0, 1.0}, code, 0.5, FoxIntFilter::Plain), UnknownPidType) << code;
    }
    EXPECT_TRUE(is_pid_form_code("Int PonP DonE"));
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
