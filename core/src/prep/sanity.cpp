#include "vantrelpid/prep/sanity.hpp"

#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

SignalCheck sanity(const Matrix& X) {
    SignalCheck out;
    const Index n = X.cols(), N = X.rows();

    // A column is constant when every first difference is exactly zero
    // (a NaN difference counts as a change).
    for (Index j = 0; j < n; ++j) {
        bool changes = false;
        for (Index t = 1; t < N && !changes; ++t) changes = (X(t, j) - X(t - 1, j)) != 0.0;
        if (!changes) out.constant.push_back(j);
    }

    // Columns scaled by their population deviation; covariance with divisor
    // N - 1 (numpy multiplies by the reciprocal), so a perfect positive
    // correlation scores N / (N - 1). Constant columns give NaN and never pair.
    const RowVector mean = util::column_mean(X);
    const RowVector sd = util::column_std(X, 0);
    Matrix Z = (X.rowwise() - mean).array().rowwise() / sd.array();
    Z = Z.rowwise() - util::column_mean(Z);
    const double scale = 1.0 / static_cast<double>(N - 1);
    for (Index i = 0; i < n; ++i) {
        for (Index j = i + 1; j < n; ++j) {
            const double c = Z.col(i).dot(Z.col(j)) * scale;
            if (c > 0.9999) out.correlated.emplace_back(i, j);
        }
    }
    return out;
}

}  // namespace vantrelpid
