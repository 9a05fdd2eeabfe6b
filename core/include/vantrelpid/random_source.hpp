#pragma once
// The one process-wide random stream the algorithms use: numpy's legacy
// global generator. The core draws only through this interface; the Python
// bindings implement it with numpy.random.seed, rand and randn, so seeds,
// draw counts and order are exactly those of the algorithm.

#include <cstdint>
#include <vector>

namespace vantrelpid {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Reseed the stream (numpy.random.seed(seed)).
    virtual void seed(std::int64_t seed) = 0;
    // n uniform draws in [0, 1), in one batch (numpy.random.rand(n)).
    virtual std::vector<double> rand(std::int64_t n) = 0;
    // n standard normal draws, in one batch (numpy.random.randn(n)).
    virtual std::vector<double> randn(std::int64_t n) = 0;
};

}  // namespace vantrelpid
