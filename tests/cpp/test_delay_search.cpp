// The dead-time search's shared work against the per-candidate path: the
// delayed normal equations against the correlation core run on each slice's
// delayed inputs and against the sliced estimate itself; the candidates'
// simulations run side by side against one misosim per candidate; the slice
// plans' FFT lengths.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "vantrelpid/arx/correlation.hpp"
#include "vantrelpid/arx/deadtime.hpp"
#include "vantrelpid/arx/delay_equations.hpp"
#include "vantrelpid/arx/seglsq.hpp"
#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/lfilter.hpp"
#include "vantrelpid/util/simulation.hpp"

namespace {

using namespace vantrelpid;

constexpr std::int64_t kOrder = 10;
// Both paths round each correlation at about eps * log2(Nfft) of the signals'
// energy, the largest entry of the matrix (seen: up to 2e-15 of it, in the
// slices of 11 to 63 samples); the corrections add d products each.
constexpr double kCorrelationRounding = 1e-14;
// Solutions of normal equations that agree to that level, relative to the
// largest coefficient: these well-excited fits have condition numbers of
// about 1e3 (seen: up to 1.2e-13).
constexpr double kEstimateRounding = 1e-11;

class NoDraws final : public RandomSource {
public:
    void seed(std::int64_t) override {}
    std::vector<double> rand(std::int64_t n) override { return std::vector<double>(static_cast<std::size_t>(n), 0.5); }
    std::vector<double> randn(std::int64_t n) override { return std::vector<double>(static_cast<std::size_t>(n), 0.0); }
};

// Normal values from a fixed linear congruential stream (Box-Muller).
class Noise {
public:
    double operator()() {
        const double u1 = uniform(), u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }

private:
    double uniform() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return (static_cast<double>(state_ >> 11) + 0.5) * 0x1.0p-53;
    }
    std::uint64_t state_ = 7;
};

struct Record {
    Matrix U;
    Vector Y;
};

// Normal inputs through a lag with 6 samples of dead time, summed, plus 3 % noise.
Record record(Index N, Index nu) {
    Noise noise;
    Record r{Matrix(N, nu), Vector(N)};
    for (Index t = 0; t < N; ++t)
        for (Index i = 0; i < nu; ++i) r.U(t, i) = noise();
    Vector b = Vector::Zero(7);
    b(6) = 0.2;
    r.Y = util::lfilter(b, Vector{{1.0, -0.8}}, Vector(r.U.rowwise().sum()));
    for (Index t = 0; t < N; ++t) r.Y(t) += 0.03 * noise();
    return r;
}

// The per-candidate path: one slice's inputs delayed, then correlated.
Matrix delayed_slice_reference(const Record& r, const detail::PlannedSlice& s, std::int64_t d) {
    Matrix Uk = r.U.middleRows(s.start, s.samples);
    detail::delay_columns(Uk, IntVector::Constant(r.U.cols(), d));
    return detail::StretchCorrelations(Uk, r.Y.segment(s.start, s.samples), kOrder, s.fft_length).matrix(kOrder);
}

double relative_difference(const Matrix& a, const Matrix& b) {
    return (a - b).cwiseAbs().maxCoeff() / b.cwiseAbs().maxCoeff();
}

IntMatrix table(std::initializer_list<std::pair<std::int64_t, std::int64_t>> rows) {
    IntMatrix t(static_cast<Index>(rows.size()), 2);
    Index k = 0;
    for (const auto& [first, last] : rows) {
        t(k, 0) = first;
        t(k, 1) = last;
        ++k;
    }
    return t;
}

struct SliceCase {
    const char* name;
    Index N;
    Index nu;
    IntMatrix SlInd;
};

// Slices of every kind the plan makes: padded by more than the order, not
// padded (Nk a power of two: the lags wrap onto the slice's start), as short
// as the order allows, and shorter than the largest candidate delay.
std::vector<SliceCase> slice_cases() {
    return {
        {"whole record, padded", 3000, 1, table({{1, 3000}})},
        {"first slice of 63 samples, the shortest a selection leaves", 1200, 2, table({{1, 143}, {300, 1200}})},
        {"unpadded slices of 256 and 512 samples", 2000, 3, table({{1, 80 + 256}, {701, 700 + 512}})},
        {"slices of 11 and 40 samples", 400, 2, table({{100, 100 + 80 + 10}, {301, 340}})},
        {"six inputs, a slice from 1 to N", 1000, 6, table({{1, 1000}})},
    };
}

const std::vector<std::int64_t> kDelays = {0, 1, 2, 7, 12, 24, 40};

TEST(DelayedNormalEquations, EachSliceMatrixIsThePerCandidateOne) {
    for (const SliceCase& c : slice_cases()) {
        const Record r = record(c.N, c.nu);
        const auto plan = detail::sliced_estimate_plan(c.SlInd, c.N, kOrder);
        const detail::DelayedNormalEquations eq(r.U, r.Y, plan, kOrder, 40);
        for (std::size_t k = 0; k < plan.size(); ++k) {
            for (std::int64_t d : kDelays) {
                if (d > plan[k].samples) continue;
                const Matrix derived = eq.slice_matrix(static_cast<Index>(k), d);
                const Matrix reference = delayed_slice_reference(r, plan[k], d);
                ASSERT_EQ(derived.rows(), reference.rows()) << c.name;
                EXPECT_LE(relative_difference(derived, reference), kCorrelationRounding)
                    << c.name << ", slice " << k << ", delay " << d;
                EXPECT_EQ(derived, derived.transpose()) << c.name;
            }
        }
    }
}

TEST(DelayedNormalEquations, EstimatesAreTheSlicedEstimates) {
    for (const SliceCase& c : slice_cases()) {
        const Record r = record(c.N, c.nu);
        const auto plan = detail::sliced_estimate_plan(c.SlInd, c.N, kOrder);
        // Slices too short for the equations' reach leave them singular up
        // to rounding.
        Index shortest = plan[0].samples;
        for (const auto& s : plan) shortest = std::min(shortest, s.samples);
        const detail::DelayedNormalEquations eq(r.U, r.Y, plan, kOrder, 40);
        NoDraws random;
        SilentWarnings warnings;
        for (std::int64_t d : kDelays) {
            if (d + 2 * kOrder + 2 > shortest) continue;
            const ArxModel ours = eq.estimate(d, warnings);
            const ArxModel reference =
                seglsq(r.U, r.Y, c.SlInd, kOrder, IntVector::Constant(c.nu, d), random, warnings);
            const double scale = std::max(reference.den.cwiseAbs().maxCoeff(), reference.num.cwiseAbs().maxCoeff());
            EXPECT_LE((ours.den - reference.den).cwiseAbs().maxCoeff(), kEstimateRounding * scale) << c.name << d;
            EXPECT_LE((ours.num - reference.num).cwiseAbs().maxCoeff(), kEstimateRounding * scale) << c.name << d;
        }
    }
}

TEST(DelayedNormalEquations, PlanAndDelayChecksAreTheSlicedEstimates) {
    const Record r = record(400, 1);
    NoDraws random;
    SilentWarnings warnings;
    auto sliced_message = [&](const IntMatrix& SlInd, std::int64_t d) -> std::string {
        try {
            seglsq(r.U, r.Y, SlInd, kOrder, IntVector::Constant(1, d), random, warnings);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "";
    };
    auto planned_message = [&](const IntMatrix& SlInd, std::int64_t d) -> std::string {
        try {
            detail::check_delays_fit(detail::sliced_estimate_plan(SlInd, 400, kOrder), IntVector::Constant(1, d));
        } catch (const std::exception& e) {
            return e.what();
        }
        return "";
    };
    for (const IntMatrix& SlInd : {table({{1, 90}}), table({{0, 300}}), table({{200, 100}}), table({{1, 200}, {301, 330}}),
                                   IntMatrix(0, 2)}) {
        const std::string expected = sliced_message(SlInd, 40);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(planned_message(SlInd, 40), expected);
    }
    // Rows clipped to the record, as Python slicing clips them.
    const auto plan = detail::sliced_estimate_plan(table({{1, 300}, {351, 900}}), 400, kOrder);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].start, 80);
    EXPECT_EQ(plan[0].samples, 220);
    EXPECT_EQ(plan[0].fft_length, 256);
    EXPECT_EQ(plan[1].start, 350);
    EXPECT_EQ(plan[1].samples, 50);
    EXPECT_EQ(plan[1].fft_length, 64);
}

TEST(SliceFftLength, SmallestPowerOfTwoWithPaddingClearOfThePulseLags) {
    // A length serves when it covers the stretch with a padding of 0 (where
    // allowed) or of at least n + 1: then the end pulse's lags never meet the
    // start pulse's. The rule takes the smallest power of two that serves.
    for (const bool unpadded : {true, false}) {
        for (Index order = 0; order <= 24; ++order) {
            auto serves = [&](Index nfft, Index nk) {
                return nfft >= nk && ((nfft == nk && unpadded) || nfft - nk >= order + 1);
            };
            for (Index nk = order + 1; nk <= 2100; ++nk) {
                const Index nfft = detail::slice_fft_length(nk, order, unpadded);
                ASSERT_TRUE(nfft > 0 && (nfft & (nfft - 1)) == 0 && serves(nfft, nk) && !serves(nfft / 2, nk))
                    << nk << " samples, order " << order << ": " << nfft;
            }
        }
    }
    // No sum beyond the int64 limit: no power of two reaches such an order.
    constexpr Index largest = Index{1} << 62;
    EXPECT_EQ(detail::slice_fft_length(920, std::numeric_limits<Index>::max(), true), 0);
    EXPECT_EQ(detail::slice_fft_length(largest - 2, 1, true), largest);
    EXPECT_EQ(detail::slice_fft_length(largest - 1, 1, true), 0);
    EXPECT_EQ(detail::slice_fft_length(std::numeric_limits<Index>::max(), 0, true), 0);
    // The whole-record estimate keeps the next power of two above N.
    EXPECT_EQ(detail::fft_length_covering(1020), 1024);
    EXPECT_EQ(detail::fft_length_covering(1024), 1024);
}

TEST(SimulateDelayed, EachColumnIsMisosimOnTheDelayedInputsToTheLastBit) {
    const Record r = record(700, 3);
    NoDraws random;
    SilentWarnings warnings;
    const IntMatrix SlInd = table({{1, 700}});
    // Fitted models (one of them poorly damped) and a hand-made unstable one.
    std::vector<ArxModel> models;
    for (std::int64_t d : {1, 6, 40}) models.push_back(seglsq(r.U, r.Y, SlInd, kOrder, IntVector::Constant(3, d), random, warnings));
    ArxModel unstable = models[0];
    unstable.den(1) = -1.5;
    models.push_back(unstable);
    const IntVector delays{{1, 6, 40, 699}};
    for (Index count = 1; count <= detail::kSimulatedTogether; ++count) {
        const Matrix y = detail::simulate_delayed(r.U, {models.data(), static_cast<std::size_t>(count)},
                                                             delays.head(count));
        ASSERT_EQ(y.rows(), 700);
        ASSERT_EQ(y.cols(), count);
        for (Index c = 0; c < count; ++c) {
            const auto& m = models[static_cast<std::size_t>(c)];
            const Vector expected = util::misosim(m.den, m.num, util::add_dly(r.U, IntVector::Constant(1, delays(c))));
            EXPECT_TRUE((y.col(c).array() == expected.array() ||
                         (y.col(c).array().isNaN() && expected.array().isNaN())).all())
                << count << " models, column " << c;
        }
    }
}

}  // namespace
