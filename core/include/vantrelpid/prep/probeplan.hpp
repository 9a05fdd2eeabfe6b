#pragma once
// Test-signal design for a plant test of several loops: one binary sequence
// plus uniform noise per loop, and the covariance of the set.

#include <cstdint>
#include <vector>

#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid {

struct TestSignals {
    Matrix signals;    // N x nSignal
    Matrix covariance; // nSignal x nSignal, divisor N - 1
};

// n_samples: the test length; switching_times: the per-signal switching time
// in samples (a zero raises DivisionByZero when that signal is reached, after
// the earlier signals' draws). Per signal: N draws of its binary sequence
// (maximum run 7 switching times), then N draws of noise in [-0.3, 0.3).
TestSignals probeplan(std::int64_t n_samples, const std::vector<std::int64_t>& switching_times,
                      RandomSource& random);

}  // namespace vantrelpid
