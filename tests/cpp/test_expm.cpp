// The pollable matrix exponential is Eigen's MatrixBase::exp() bit for bit:
// every Pade degree, squarings, and sizes whose products and Pade solve are
// split into panels (480 rows and more), with each remainder of four rows. A
// host that stops the call gets its own exception back.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <utility>
#include <unsupported/Eigen/MatrixFunctions>

#include "vantrelpid/util/linalg.hpp"

namespace {

using vantrelpid::Cancellation;
using vantrelpid::Index;
using vantrelpid::Matrix;

// A random matrix scaled to the given 1-norm (largest column sum).
Matrix random_matrix(Index n, double norm, std::mt19937_64& gen) {
    std::normal_distribution<double> normal;
    Matrix A = Matrix::NullaryExpr(n, n, [&] { return normal(gen); });
    return A * (norm / A.cwiseAbs().colwise().sum().maxCoeff());
}

bool same_bits(const Matrix& a, const Matrix& b) {
    return a.rows() == b.rows() && a.cols() == b.cols() &&
           std::memcmp(a.data(), b.data(), sizeof(double) * static_cast<std::size_t>(a.size())) == 0;
}

// Norms below each degree's bound (3, 5, 7, 9) and above it (13 with 0, 1, 4 and 14 squarings).
constexpr double kNorms[] = {0.01, 0.2, 0.9, 2.0, 5.0, 9.0, 80.0, 5e4};

TEST(Expm, EqualsEigensExpBitForBit) {
    std::mt19937_64 gen(20240611);
    for (Index n : {1, 2, 3, 7, 16, 45, 256, 257}) {
        for (double norm : kNorms) {
            const Matrix A = random_matrix(n, norm, gen);
            EXPECT_TRUE(same_bits(vantrelpid::util::expm(A), A.exp())) << "n = " << n << ", norm = " << norm;
        }
    }
}

TEST(Expm, PanelsEqualTheWholeBitForBit) {
    std::mt19937_64 gen(77);
    // Two panels with each remainder of four rows, and three panels; a
    // degree-7 step, and degree 13 with four squarings.
    const std::pair<Index, double> cases[] = {{480, 0.9}, {481, 80.0}, {482, 0.9}, {483, 80.0}, {725, 80.0}};
    for (const auto& [n, norm] : cases) {
        const Matrix A = random_matrix(n, norm, gen);
        EXPECT_TRUE(same_bits(vantrelpid::util::expm(A), A.exp())) << "n = " << n << ", norm = " << norm;
    }
}

struct Stop : std::runtime_error {
    Stop() : std::runtime_error("stop") {}
};

// Throws at the given poll.
class StopAt final : public Cancellation {
public:
    explicit StopAt(int poll) : left_(poll) {}
    void poll() const override {
        if (--left_ == 0) throw Stop();
    }

private:
    mutable int left_;
};

TEST(Expm, AStopReachesTheCaller) {
    std::mt19937_64 gen(5);
    const Matrix A = random_matrix(600, 80.0, gen);
    EXPECT_THROW(vantrelpid::util::expm(A, StopAt(10)), Stop);
}

}  // namespace
