#pragma once
// Selected sample numbers (1-based, as the slice selection returns them)
// used to pick rows of signal matrices.

#include "vantrelpid/types.hpp"

namespace vantrelpid {

// Raises OutOfRange when a sample number lies outside 1..n_rows: a number
// below 1 ("selected sample number <s> is below 1") never reads rows from the
// end of the record; one above the record gets numpy's message.
void require_samples_in_record(const IntVector& samples, Index n_rows);

// Every value of the record X must be finite, also in the stretches that a
// slice table deselects: the filters run over the whole record. Raises
// InvalidArgument naming the record, the column and the first non-finite
// sample (1-based, earliest sample first, then the lowest column).
void require_finite_record(const Matrix& X, const char* name);

// The rows s - 1 of X for every sample number s, in order (checked).
Matrix select_rows(const Matrix& X, const IntVector& samples);
Vector select_rows(const Vector& x, const IntVector& samples);

}  // namespace vantrelpid
