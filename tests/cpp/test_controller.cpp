// Controller polynomials of the PID form codes: worked examples and dispatch.

#include <gtest/gtest.h>

#include "vantrelpid/sim/controller.hpp"

namespace {

using vantrelpid::Vector;
using namespace vantrelpid::sim;

Vector v(std::initializer_list<double> c) {
    Vector out(static_cast<Eigen::Index>(c.size()));
    Eigen::Index k = 0;
    for (double x : c) out(k++) = x;
    return out;
}

void expect_near(const Vector& got, const Vector& want) {
    ASSERT_EQ(got.size(), want.size());
    for (Eigen::Index k = 0; k < got.size(); ++k) EXPECT_NEAR(got(k), want(k), 1e-12) << "at " << k;
}

const PidParameters kPid{2.0, 10.0, 1.0};

TEST(ControllerPolynomials, WorkedExamples) {
    auto int_a = controller_polynomials(kPid, "Int A", 0.5, FoxIntFilter::Plain);
    EXPECT_TRUE(int_a.single_numerator);
    expect_near(int_a.D, v({1.0, 10.0, 0.0}));
    expect_near(int_a.N1, v({20.0, 22.0, 2.0}));
    expect_near(int_a.N2, int_a.N1);

    auto nonint_c = controller_polynomials(kPid, "Nonint C", 0.5, FoxIntFilter::Plain);
    EXPECT_FALSE(nonint_c.single_numerator);
    expect_near(nonint_c.N1, v({0.2, 2.0}));
    expect_near(nonint_c.N2, v({22.0, 20.2, 2.0}));

    auto fox = controller_polynomials({2.0, 10.0, 0.0}, "Fox Nonint", 0.5, FoxIntFilter::Plain);
    expect_near(fox.D, v({0.0, 0.0, 10.0, 0.0}));
    expect_near(fox.N1, v({0.0, 0.0, 10.0, 2.0}));
    expect_near(fox.N2, v({0.0, 0.0, 20.0, 2.0}));
}

TEST(ControllerPolynomials, FoxIntFilterVariants) {
    const PidParameters p{1.0, 10.0, 2.0};
    // D = [0.5 Ti tau^2, Ti tau, Ti, 0]: the second coefficient reads tau back.
    auto plain = controller_polynomials(p, "Fox Int", 1.0, FoxIntFilter::Plain);
    auto weighted = controller_polynomials(p, "Fox Int", 1.0, FoxIntFilter::Weighted);
    EXPECT_NEAR(plain.D(1) / 10.0, 20.0 / 120.0, 1e-15);
    EXPECT_NEAR(weighted.D(1) / 10.0, 6.6 / 106.6, 1e-15);
    expect_near(plain.N2, v({0.0, 20.0, 12.0, 1.0}));
    EXPECT_THROW(controller_polynomials({1.0, 0.0, 0.0}, "Fox Int", 1.0, FoxIntFilter::Plain),
                 vantrelpid::DivisionByZero);
    // The other codes build with Ti = Td = 0.
    EXPECT_NO_THROW(controller_polynomials({1.0, 0.0, 0.0}, "Fox Nonint", 1.0, FoxIntFilter::Plain));
}

TEST(ControllerPolynomials, CodesAreExactStrings) {
    for (const char* code : {"nonint a", "", "Nonint  A", "Int A ", "Fox"}) {
        EXPECT_FALSE(is_pid_form_code(code)) << code;
        EXPECT_THROW(controller_polynomials(kPid, code, 0.5, FoxIntFilter::Plain), UnknownPidType) << code;
    }
    EXPECT_TRUE(is_pid_form_code("Int PonP DonE"));
    try {
        controller_polynomials(kPid, "x", 0.5, FoxIntFilter::Plain);
    } catch (const vantrelpid::InvalidArgument& e) {
        EXPECT_STREQ(e.what(), kUnknownPidType);
    }
}

}  // namespace
