// The facade's single-loop tuning service and the double-only form conversion.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "vantrelpid/tune/formswap.hpp"
#include "vantrelpid/tune/knobsmulti.hpp"

namespace {

using vantrelpid::IntegratingFlag;
using vantrelpid::Vector;
using vantrelpid::sim::PidParameters;

Vector v(std::initializer_list<double> c) {
    Vector out(static_cast<Eigen::Index>(c.size()));
    Eigen::Index k = 0;
    for (double x : c) out(k++) = x;
    return out;
}

// Rational hand values against about ten float64 operations.
void expect_row(const PidParameters& got, double K, double Ti, double Td) {
    EXPECT_NEAR(got.K, K, 1e-14 * std::abs(K));
    EXPECT_NEAR(got.Ti, Ti, 1e-14 * std::abs(Ti));
    EXPECT_NEAR(got.Td, Td, 1e-14 * std::abs(Td));
}

std::string message_of(const std::function<void()>& call) {
    try {
        call();
    } catch (const vantrelpid::InvalidArgument& e) {
        return e.what();
    }
    return "no error";
}

TEST(TuneLoop, FirstAndSecondOrderModelsAsKnobsmultiTunesThem) {
    const auto first = vantrelpid::tune_loop(v({10, 1}), v({0, 2}), 2, IntegratingFlag::SelfRegulating, 5);
    expect_row(first.setpoint, 11.0 / 12, 11, 10.0 / 11);
    expect_row(first.load, 5.0 / 3, 12, 11.0 / 12);
    const auto integrating = vantrelpid::tune_loop(v({10, 1, 0}), v({0, 2, 0}), 2, IntegratingFlag::Integrating, 5);
    expect_row(integrating.setpoint, 11.0 / 49, 22, 60.0 / 11);
    const auto second = vantrelpid::tune_loop(v({100, 20, 1}), v({0, 2, 2}), 3, IntegratingFlag::Other, 5);
    expect_row(second.setpoint, 19.0 / 16, 19, 81.0 / 19);
    expect_row(second.load, 19.0 / 16, 13, 81.0 / 19);
}

TEST(TuneLoop, Refusals) {
    const auto tune = [](Vector a, Vector b, IntegratingFlag flag) {
        return [=] { vantrelpid::tune_loop(a, b, 3, flag, 5); };
    };
    const auto S = IntegratingFlag::SelfRegulating;
    EXPECT_EQ(message_of(tune(v({1}), v({1}), S)), "Tuning model must be of first or second order");
    EXPECT_EQ(message_of(tune(v({1, 2, 3, 1}), v({0, 1, 2, 3}), S)), "Tuning model must be of first or second order");
    EXPECT_EQ(message_of(tune(v({10, 1}), v({0, 2, 0}), S)), "Tuning model must be of first or second order");
    EXPECT_EQ(message_of(tune(v({50, 15, 1}), v({0, 4, 2}), IntegratingFlag::Integrating)),
              "No tuning rule for an integrating second-order model");
    EXPECT_EQ(message_of(tune(v({50, 15, 1}), v({0, 4, 0}), S)), "Ac and Bc degrees not equal");
    EXPECT_EQ(message_of(tune(v({10, 1}), v({0, 2}), IntegratingFlag::Other)), "No tuning rule for loop 0");
}

TEST(FormConversion, DoublesFollowIeeeArithmetic) {
    const double R = std::sqrt(0.6);
    expect_row(vantrelpid::interacting_form(PidParameters{2, 10, 1}), 1 + R, 5 * (1 + R), 5 * (1 - R));
    expect_row(vantrelpid::interacting_form(PidParameters{1, 4, 3}), 0.5, 2, 2);
    expect_row(vantrelpid::noninteracting_form(PidParameters{1, 2, 2}), 2, 4, 1);
    const PidParameters zero = vantrelpid::interacting_form(PidParameters{1, 0, 1});
    EXPECT_TRUE(std::isnan(zero.K) && std::isnan(zero.Ti));
    EXPECT_TRUE(std::isinf(vantrelpid::noninteracting_form(PidParameters{1, 0, 1}).K));
}

}  // namespace
