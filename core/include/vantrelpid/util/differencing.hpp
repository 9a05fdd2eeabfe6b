#pragma once
// Sample-to-sample differences: the record of an integrating output (a level)
// turned into the record of a self-regulating one (its rate of change).

#include "vantrelpid/types.hpp"

namespace vantrelpid::util {

// For an integrating record, d[k] = y[k] - y[k - 1] in every column, with the
// first row repeating the second (zeros for a one-sample record); any other
// record comes back unchanged. Rows and columns are kept.
Matrix d_data(const Matrix& Y, bool integrating);

}  // namespace vantrelpid::util
