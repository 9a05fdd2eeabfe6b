// The single-loop identification with a dead-time search that throws.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <exception>
#include <new>
#include <stdexcept>

#include "vantrelpid/ident/loopfit.hpp"
#include "vantrelpid/util/lfilter.hpp"

namespace {

using namespace vantrelpid;

// A stand-in for numpy's generator: the loop's results do not depend on the draws.
class FixedRandom final : public RandomSource {
public:
    void seed(std::int64_t) override {}
    std::vector<double> rand(std::int64_t n) override { return std::vector<double>(static_cast<std::size_t>(n), 0.5); }
    std::vector<double> randn(std::int64_t n) override { return std::vector<double>(static_cast<std::size_t>(n), 0.0); }
};

// 2 e^(-5 s) / (10 s + 1) sampled every second behind the hold, driven by a
// binary sequence that switches with probability 1/12, with 1 % noise.
LoopData first_order_loop() {
    const Index N = 1500;
    std::uint64_t state = 42;
    const auto uniform = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) * 0x1.0p-53;
    };
    Vector u(N);
    double level = 1.0;
    for (Index t = 0; t < N; ++t) u(t) = (uniform() < 1.0 / 12.0) ? (level = -level) : level;
    const double a = std::exp(-0.1);
    Vector b = Vector::Zero(7);
    b(6) = 2.0 * (1.0 - a);
    LoopData in;
    in.U = u;
    in.Y = util::lfilter(b, Vector{{1.0, -a}}, u);
    for (Index t = 0; t < N; ++t) in.Y(t, 0) += 50.0 + 0.01 * (uniform() - 0.5);
    in.Tident = 1.0;
    in.Delayc_in = -1.0;
    in.slice_table = [] { return IntMatrix::Constant(1, 2, -1); };
    in.flag = [] { return IntegratingFlag::SelfRegulating; };
    return in;
}

TEST(LoopDelaySearch, AFailingSearchIsReportedAndTheLoopIsIdentifiedWithoutDeadTime) {
    LoopData in = first_order_loop();
    int calls = 0;
    in.delay_search = [&](const Matrix&, const Matrix&, const DelaySearchOutputs&, RandomSource&,
                          WarningSink&) -> std::int64_t {
        ++calls;
        throw std::runtime_error("no candidate delay");
    };
    FixedRandom random;
    SilentWarnings warnings;
    const LoopModel r = loopfit(in, random, warnings);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(r.Message, "Delay estimation failed");
    ASSERT_TRUE(r.identified);
    // The dead time comes from the reduction's step response.
    Index leading = 0;
    while (leading < r.STP1.rows() && r.STP1(leading, 0) == 0.0) ++leading;
    EXPECT_EQ(r.delay_source, DeadTimeSource::Found);
    EXPECT_DOUBLE_EQ(r.Delayc, static_cast<double>(leading - 1));
    EXPECT_NEAR(r.Bpc1(1), 2.0, 0.1);
    EXPECT_TRUE(r.Ysim.allFinite() && r.Ysim1.allFinite());
}

// What a host throws to stop a call: no std::exception.
struct Interrupted {};

// The host's test: only its own stop passes.
bool marks_interruptions(const std::exception_ptr& p) {
    try {
        std::rethrow_exception(p);
    } catch (const Interrupted&) {
        return true;
    } catch (...) {
        return false;
    }
}

TEST(LoopDelaySearch, FailuresTheHostMarksPassAndAllOthersBecomeTheStatus) {
    LoopData in = first_order_loop();
    in.propagates = marks_interruptions;
    FixedRandom random;
    SilentWarnings warnings;
    in.delay_search = [](const Matrix&, const Matrix&, const DelaySearchOutputs&, RandomSource&,
                         WarningSink&) -> std::int64_t { throw Interrupted{}; };
    EXPECT_THROW(loopfit(in, random, warnings), Interrupted);
    in.delay_search = [](const Matrix&, const Matrix&, const DelaySearchOutputs&, RandomSource&,
                         WarningSink&) -> std::int64_t { throw std::bad_alloc(); };
    EXPECT_EQ(loopfit(in, random, warnings).Message, "Delay estimation failed");
    in.delay_search = [](const Matrix&, const Matrix&, const DelaySearchOutputs&, RandomSource&,
                         WarningSink&) -> std::int64_t { throw 7; };   // not marked: swallowed too
    EXPECT_EQ(loopfit(in, random, warnings).Message, "Delay estimation failed");
}

// Stops at the given poll.
class StopAt final : public Cancellation {
public:
    explicit StopAt(int poll) : remaining_(poll) {}
    void poll() const override {
        if (--remaining_ == 0) throw Interrupted{};
    }
    int polls_left() const { return remaining_; }

private:
    mutable int remaining_;
};

TEST(Cancellation, TheToolkitsSearchPollsAndItsStopPassesThroughTheLoop) {
    LoopData in = first_order_loop();
    in.propagates = marks_interruptions;
    FixedRandom random;
    SilentWarnings warnings;
    const StopAt second(2);
    EXPECT_THROW(loopfit(in, random, warnings, second), Interrupted);
    EXPECT_EQ(second.polls_left(), 0);
}

}  // namespace
