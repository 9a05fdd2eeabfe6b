#include "vantrelpid/prep/samples.hpp"

#include <cmath>
#include <string>

#include "vantrelpid/errors.hpp"

namespace vantrelpid {

void require_samples_in_record(const IntVector& samples, Index n_rows) {
    for (Index i = 0; i < samples.size(); ++i) {
        const std::int64_t s = samples(i);
        if (s < 1) throw OutOfRange("selected sample number " + std::to_string(s) + " is below 1");
        if (s > n_rows) {
            throw OutOfRange("index " + std::to_string(s - 1) + " is out of bounds for axis 0 with size " +
                             std::to_string(n_rows));
        }
    }
}

void require_finite_record(const Matrix& X, const char* name) {
    if (X.allFinite()) return;
    for (Index s = 0; s < X.rows(); ++s)
        for (Index j = 0; j < X.cols(); ++j)
            if (!std::isfinite(X(s, j)))
                throw InvalidArgument(std::string(name) + " holds a non-finite value in column " + std::to_string(j) +
                                      " at sample " + std::to_string(s + 1) +
                                      "; deselected stretches must hold finite values too");
}

Matrix select_rows(const Matrix& X, const IntVector& samples) {
    require_samples_in_record(samples, X.rows());
    Matrix out(samples.size(), X.cols());
    for (Index i = 0; i < samples.size(); ++i) out.row(i) = X.row(static_cast<Index>(samples(i) - 1));
    return out;
}

Vector select_rows(const Vector& x, const IntVector& samples) {
    require_samples_in_record(samples, x.size());
    Vector out(samples.size());
    for (Index i = 0; i < samples.size(); ++i) out(i) = x(static_cast<Index>(samples(i) - 1));
    return out;
}

}  // namespace vantrelpid
