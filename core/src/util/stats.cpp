#include "vantrelpid/util/stats.hpp"

#include <cmath>
#include <limits>

namespace vantrelpid::util {

double pairwise_sum(const double* x, Index n) {
    constexpr Index block = 128;
    if (n < 8) {
        double res = 0.0;
        for (Index i = 0; i < n; ++i) res += x[i];
        return res;
    }
    if (n <= block) {
        double r[8];
        for (int j = 0; j < 8; ++j) r[j] = x[j];
        Index i = 8;
        for (; i < n - (n % 8); i += 8)
            for (int j = 0; j < 8; ++j) r[j] += x[i + j];
        double res = ((r[0] + r[1]) + (r[2] + r[3])) + ((r[4] + r[5]) + (r[6] + r[7]));
        for (; i < n; ++i) res += x[i];
        return res;
    }
    Index n2 = n / 2;
    n2 -= n2 % 8;
    return pairwise_sum(x, n2) + pairwise_sum(x + n2, n - n2);
}

double sum(const Vector& x) { return pairwise_sum(x.data(), x.size()); }

double mean(const Vector& x) {
    if (x.size() == 0) return std::numeric_limits<double>::quiet_NaN();
    return sum(x) / static_cast<double>(x.size());
}

double var(const Vector& x, int ddof) {
    const Index n = x.size();
    const double m = mean(x);
    Vector d = (x.array() - m).square();
    const double denom = static_cast<double>(n - ddof);
    if (denom <= 0) return std::numeric_limits<double>::quiet_NaN();
    return sum(d) / denom;
}

double stddev(const Vector& x, int ddof) { return std::sqrt(var(x, ddof)); }

namespace {

// Column sums, reduced the way numpy reduces axis 0 of a C-ordered array.
RowVector column_sum(const Matrix& X) {
    RowVector s(X.cols());
    if (X.cols() == 1) {
        s(0) = pairwise_sum(X.data(), X.rows());
        return s;
    }
    s.setZero();
    for (Index i = 0; i < X.rows(); ++i)
        for (Index j = 0; j < X.cols(); ++j) s(j) += X(i, j);
    return s;
}

}  // namespace

RowVector column_mean(const Matrix& X) {
    if (X.rows() == 0) return RowVector::Constant(X.cols(), std::numeric_limits<double>::quiet_NaN());
    return column_sum(X) / static_cast<double>(X.rows());
}

RowVector column_var(const Matrix& X, int ddof) {
    const RowVector m = column_mean(X);
    Matrix d = (X.rowwise() - m).array().square().matrix();
    const double denom = static_cast<double>(X.rows() - ddof);
    if (denom <= 0) return RowVector::Constant(X.cols(), std::numeric_limits<double>::quiet_NaN());
    return column_sum(d) / denom;
}

RowVector column_std(const Matrix& X, int ddof) { return column_var(X, ddof).array().sqrt(); }

Matrix covariance(const Matrix& X) {
    const Matrix centred = X.rowwise() - column_mean(X);
    return (centred.transpose() * centred) * (1.0 / static_cast<double>(X.rows() - 1));
}

Vector detrend(const Vector& x) {
    const Index n = x.size();
    const double m = mean(x);
    Vector out = x.array() - m;
    if (n < 2) return out;
    const double kc = 0.5 * static_cast<double>(n - 1);
    double sxy = 0.0;
    for (Index k = 0; k < n; ++k) sxy += (static_cast<double>(k) - kc) * out(k);
    const double nd = static_cast<double>(n);
    const double slope = sxy / (nd * (nd * nd - 1.0) / 12.0);
    for (Index k = 0; k < n; ++k) out(k) -= slope * (static_cast<double>(k) - kc);
    return out;
}

}  // namespace vantrelpid::util
