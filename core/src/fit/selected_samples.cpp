#include "vantrelpid/fit/selected_samples.hpp"

#include <string>

#include "vantrelpid/errors.hpp"

namespace vantrelpid::detail {

void check_samples(const IntVector& samples, Index n_rows) {
    for (Index k = 0; k < samples.size(); ++k) {
        const std::int64_t s = samples(k);
        if (s < 1) throw OutOfRange("selected sample number " + std::to_string(s) + " is below 1");
        if (s > n_rows) {
            throw OutOfRange("index " + std::to_string(s - 1) + " is out of bounds for axis 0 with size " +
                             std::to_string(n_rows));
        }
    }
}

Matrix select_rows(const Matrix& X, const IntVector& samples) {
    check_samples(samples, X.rows());
    Matrix out(samples.size(), X.cols());
    for (Index k = 0; k < samples.size(); ++k) out.row(k) = X.row(static_cast<Index>(samples(k) - 1));
    return out;
}

Vector select_rows(const Vector& x, const IntVector& samples) {
    check_samples(samples, x.size());
    Vector out(samples.size());
    for (Index k = 0; k < samples.size(); ++k) out(k) = x(static_cast<Index>(samples(k) - 1));
    return out;
}

}  // namespace vantrelpid::detail
