#pragma once
// Whole-record ARX estimate: one multi-input ARX model of one output, fitted
// by least squares over every sample of a record whose lagged values lie
// inside it (samples n..N-1).

#include <cstdint>
#include <optional>

#include "vantrelpid/arx/model.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid {

// U: N x nu inputs; Y: N outputs; order n >= 0 with N >= n + 1; delays:
// none, or one delay per input in 0..N (the first d samples of that input
// become zeros). The caller's data are not changed. The normal equations are
// solved in the minimum-norm least-squares sense (singular values at or below
// eps times the largest count as zero), so a singular system still gives a
// result. Bad sizes or delays raise InvalidArgument.
ArxModel wholelsq(const Matrix& U, const Vector& Y, std::int64_t n, const std::optional<IntVector>& delays);

}  // namespace vantrelpid
