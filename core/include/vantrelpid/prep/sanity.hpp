#pragma once
// Signal checks before identification: constant signals and pairs of almost
// fully positively correlated signals.

#include <cstdint>
#include <utility>
#include <vector>

#include "vantrelpid/types.hpp"

namespace vantrelpid {

struct SignalCheck {
    std::vector<std::int64_t> constant;                            // ConstIndx
    std::vector<std::pair<std::int64_t, std::int64_t>> correlated;  // CorIndx, i < j
};

// X: one sample per row, one signal per column.
SignalCheck sanity(const Matrix& X);

}  // namespace vantrelpid
