#pragma once
// RandomSource on numpy's legacy global generator. The functions are looked
// up per call (nothing Python is kept in static storage); every batch is one
// call, so draw counts and order are exactly the core's. The GIL is held.

#include <nanobind/nanobind.h>

#include "vantrelpid/random_source.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

class NumpyRandom final : public RandomSource {
public:
    void seed(std::int64_t seed) override;
    std::vector<double> rand(std::int64_t n) override;
    std::vector<double> randn(std::int64_t n) override;

    // numpy.random.seed(obj) with any seed object numpy accepts, unchanged.
    static void seed_object(nb::handle seed);
};

}  // namespace vantrelpid::py
