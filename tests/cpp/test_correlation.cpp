// The FFT correlation core against direct circular sums.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "vantrelpid/arx/correlation.hpp"

namespace {

using vantrelpid::Index;
using vantrelpid::Matrix;
using vantrelpid::Vector;
using vantrelpid::detail::StretchCorrelations;

// The stretch's signals as time series of nfft samples: output, inputs,
// end pulse (padded), start pulse.
std::vector<Vector> signals(const Matrix& U, const Vector& y, Index nfft) {
    std::vector<Vector> z;
    auto padded = [&](const Vector& x) {
        Vector p = Vector::Zero(nfft);
        p.head(x.size()) = x;
        return p;
    };
    z.push_back(padded(y));
    for (Index i = 0; i < U.cols(); ++i) z.push_back(padded(U.col(i)));
    if (nfft > y.size()) {
        z.push_back(Vector::Zero(nfft));
        z.back()(y.size()) = 1.0;
    }
    z.push_back(Vector::Zero(nfft));
    z.back()(0) = 1.0;
    return z;
}

// nfft * sum_t z_i(t) z_j(t - lag), t modulo nfft.
double direct(const Vector& zi, const Vector& zj, Index lag) {
    const Index n = zi.size();
    double s = 0.0;
    for (Index t = 0; t < n; ++t) s += zi(t) * zj(((t - lag) % n + n) % n);
    return static_cast<double>(n) * s;
}

struct Case {
    Index samples, inputs, nfft;
};

class CorrelationCore : public ::testing::TestWithParam<Case> {};

TEST_P(CorrelationCore, MatchesDirectCircularSums) {
    const Case c = GetParam();
    std::srand(7);
    const Matrix U = Matrix::Random(c.samples, c.inputs);
    const Vector y = Vector::Random(c.samples);
    const Index max_lag = 5;
    const StretchCorrelations corr(U, y, max_lag, c.nfft);
    const auto z = signals(U, y, c.nfft);
    ASSERT_EQ(corr.signals(), static_cast<Index>(z.size()));
    const double scale = static_cast<double>(c.nfft * c.samples);
    for (Index i = 0; i < corr.signals(); ++i)
        for (Index j = i; j < corr.signals(); ++j)
            for (Index lag = -max_lag; lag <= max_lag; ++lag)
                EXPECT_NEAR(corr.at(i, j, lag), direct(z[i], z[j], lag), 1e-12 * scale)
                    << "pair " << i << "," << j << " lag " << lag;
}

TEST_P(CorrelationCore, MatrixHasToeplitzBlocksWithoutTheLastStartPulseLag) {
    const Case c = GetParam();
    const Matrix U = Matrix::Random(c.samples, c.inputs);
    const Vector y = Vector::Random(c.samples);
    const Index order = 3, L = order + 1;
    const StretchCorrelations corr(U, y, 5, c.nfft);
    const Matrix R = corr.matrix(order);
    ASSERT_EQ(R.rows(), corr.signals() * L - 1);
    EXPECT_EQ((R - R.transpose()).cwiseAbs().maxCoeff(), 0.0);
    for (Index i = 0; i < corr.signals(); ++i)
        for (Index j = i; j < corr.signals(); ++j)
            for (Index r = 0; r < L; ++r)
                for (Index s = 0; s < L; ++s) {
                    if (i * L + r >= R.rows() || j * L + s >= R.rows()) continue;
                    const Index lag = (i == j && r > s) ? r - s : s - r;
                    EXPECT_EQ(R(i * L + r, j * L + s), corr.at(i, j, lag));
                }
}

// Pair counts: 1 input unpadded 6, padded 10; 2 inputs padded 15 (the last
// pair alone); 3 inputs unpadded 15; short stretches whose lags wrap.
INSTANTIATE_TEST_SUITE_P(Stretches, CorrelationCore,
                         ::testing::Values(Case{64, 1, 64}, Case{50, 1, 64}, Case{50, 2, 64}, Case{64, 3, 64},
                                           Case{7, 2, 8}, Case{100, 1, 256}));

TEST(FftLength, PowersOfTwo) {
    using vantrelpid::detail::fft_length_at_least;
    using vantrelpid::detail::fft_length_covering;
    EXPECT_EQ(fft_length_covering(1024), 1024);
    EXPECT_EQ(fft_length_covering(1000), 1024);
    EXPECT_EQ(fft_length_covering(1025), 2048);
    EXPECT_EQ(fft_length_covering(1), 1);
    EXPECT_EQ(fft_length_at_least(1024), 1024);
    EXPECT_EQ(fft_length_at_least(1025), 2048);
}

}  // namespace
