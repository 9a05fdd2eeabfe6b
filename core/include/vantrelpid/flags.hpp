#pragma once
// The integrating flag of an output (CV_INT[i]) as the caller's value
// compares with Python's `==`: 1 for an integrating process, 0 for a
// self-regulating one, or neither.

#include <functional>

#include "vantrelpid/types.hpp"

namespace vantrelpid {

enum class IntegratingFlag { Integrating, SelfRegulating, Other };

// Reads the flag of output i when a routine first needs it.
using FlagReader = std::function<IntegratingFlag(Index output)>;

}  // namespace vantrelpid
