// The single-loop identification with a substituted dead-time search, and the
// candidate choice of the multivariable identification.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "vantrelpid/ident/loopfit.hpp"
#include "vantrelpid/ident/mimofit.hpp"
#include "vantrelpid/util/lfilter.hpp"

namespace {

using namespace vantrelpid;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A deterministic stand-in for numpy's generator.
class LcgRandom final : public RandomSource {
public:
    void seed(std::int64_t s) override { state_ = static_cast<std::uint64_t>(s) * 2862933555777941757ULL + 1; }
    std::vector<double> rand(std::int64_t n) override {
        std::vector<double> out(static_cast<std::size_t>(n));
        for (double& v : out) v = uniform();
        return out;
    }
    std::vector<double> randn(std::int64_t n) override {  // not normal, but deterministic and centred
        std::vector<double> out(static_cast<std::size_t>(n));
        for (double& v : out) v = 2.0 * uniform() - 1.0;
        return out;
    }
    double uniform() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state_ >> 11) * 0x1.0p-53;
    }

private:
    std::uint64_t state_ = 42;
};

// 2 e^(-5 s) / (10 s + 1) sampled every second behind the hold, driven by a
// binary sequence that switches with probability 1/12, with 1 % noise.
LoopData first_order_loop(Index N = 1500) {
    LcgRandom source;
    Vector u(N);
    double level = 1.0;
    for (Index t = 0; t < N; ++t) {
        if (source.uniform() < 1.0 / 12.0) level = -level;
        u(t) = level;
    }
    const double a = std::exp(-0.1);
    Vector b = Vector::Zero(7);
    b(6) = 2.0 * (1.0 - a);
    const Vector y = util::lfilter(b, Vector{{1.0, -a}}, u);
    LoopData in;
    in.U = u;
    in.Y = y;
    for (Index t = 0; t < N; ++t) in.Y(t, 0) += 50.0 + 0.01 * (source.uniform() - 0.5);
    in.Tident = 1.0;
    in.slice_table = [] { return IntMatrix::Constant(1, 2, -1); };
    in.flag = [] { return IntegratingFlag::SelfRegulating; };
    return in;
}

Index leading_zeros(const Matrix& step) {
    Index k = 0;
    while (k < step.rows() && step(k, 0) == 0.0) ++k;
    return k;
}

TEST(LoopDelaySearch, FailingSearchIdentifiesWithoutDeadTime) {
    LoopData in = first_order_loop();
    int calls = 0;
    in.Delayc_in = -1.0;
    in.delay_search = [&](const Matrix&, const Matrix&, const DelaySearchOutputs&, RandomSource&,
                          WarningSink&) -> std::int64_t {
        ++calls;
        throw std::runtime_error("no candidate delay");
    };
    LcgRandom random;
    SilentWarnings warnings;
    const LoopModel r = loopfit(in, random, warnings);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(r.Message, "Delay estimation failed");
    ASSERT_TRUE(r.identified);
    // The dead time comes from the reduction's step response.
    EXPECT_EQ(r.delay_source, DeadTimeSource::Found);
    EXPECT_DOUBLE_EQ(r.Delayc, static_cast<double>(leading_zeros(r.STP1) - 1));
    EXPECT_NEAR(r.Bpc1(1), 2.0, 0.1);
    EXPECT_TRUE(r.Ysim.allFinite() && r.Ysim1.allFinite());
    EXPECT_EQ(r.STP.rows(), 3000);
}

TEST(LoopDelaySearch, SearchGetsTheLoopAndItsDelayIsUsed) {
    LoopData in = first_order_loop();
    in.Delayc_in = -1.0;
    in.delay_search = [&](const Matrix& U, const Matrix& Y, const DelaySearchOutputs& outputs, RandomSource&,
                          WarningSink&) -> std::int64_t {
        EXPECT_EQ(U.rows(), in.U.rows());
        EXPECT_EQ(Y(3, 0), in.Y(3, 0));
        EXPECT_EQ(outputs.slice_table(0), IntMatrix::Constant(1, 2, -1));
        EXPECT_FALSE(outputs.integrating(0));
        return 6;
    };
    LcgRandom random;
    SilentWarnings warnings;
    const LoopModel r = loopfit(in, random, warnings);
    EXPECT_EQ(r.Message, "OK");
    EXPECT_EQ(leading_zeros(r.STP), 6);
    EXPECT_DOUBLE_EQ(r.Delayc, 5.0);
    EXPECT_NEAR(r.Bpc(r.Bpc.size() - 1), 2.0, 0.06);
}

TEST(CandidateChoice, CriterionIsInfiniteWithoutMoreSamplesThanParameters) {
    EXPECT_EQ(candidate_criterion(161, 161, 0.5), kInf);
    EXPECT_EQ(candidate_criterion(150, 161, 0.5), kInf);
    EXPECT_EQ(candidate_criterion(150, 161, 0.0), kInf);
    EXPECT_DOUBLE_EQ(candidate_criterion(300, 100, 0.5), 400.0 / 200.0 * 0.5);
}

TEST(CandidateChoice, FirstSmallestWins) {
    EXPECT_EQ(chosen_candidate({1.0, 1.0, 0.5}), 2);
    EXPECT_EQ(chosen_candidate({0.5, 0.5, 0.5}), 0);
    EXPECT_EQ(chosen_candidate({0.7, 0.5, 0.5}), 1);
    EXPECT_EQ(chosen_candidate({kInf, kInf, kInf}), 0);
    EXPECT_EQ(chosen_candidate({0.1, kNaN, 0.0}), 1);  // numpy's argmin stops at a NaN
}

}  // namespace
