#pragma once
// Rows of a record picked by 1-based selected sample numbers (SlSampk).

#include "vantrelpid/types.hpp"

namespace vantrelpid::detail {

// Each number must lie in 1..n_rows: a number below 1 raises OutOfRange
// ("selected sample number <s> is below 1") rather than reading from the end
// of the record, one above raises numpy's "index <s - 1> is out of bounds for
// axis 0 with size <n_rows>".
void check_samples(const IntVector& samples, Index n_rows);

// The rows samples[k] - 1 of X (or x), in the order of `samples`; checked.
Matrix select_rows(const Matrix& X, const IntVector& samples);
Vector select_rows(const Vector& x, const IntVector& samples);

}  // namespace vantrelpid::detail
