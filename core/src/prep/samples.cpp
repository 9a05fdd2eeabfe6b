#include "vantrelpid/prep/samples.hpp"

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
