#pragma once
// Pseudo-random binary test sequence of +1 and -1 with an average switching
// time and minimum and maximum run lengths, drawn from the shared stream.

#include <cstdint>
#include <optional>

#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid {

struct BinarySequenceSpec {
    std::int64_t n = 0;        // number of samples
    double p = 0.1;            // switching probability per sample, 1 / Tsw
    double t_min = 1;          // minimum switching time in samples
    double t_max = 10000;      // maximum switching time in samples
};

// Reseeds with `seed` when given, then draws exactly n uniform values in one
// batch. n == 0 raises OutOfRange (the start level reads the first draw);
// a negative n raises InvalidArgument.
Vector binseq(const BinarySequenceSpec& spec, std::optional<std::int64_t> seed, RandomSource& random);

// The seeded call that the low-order pair fit validates with:
// binseq(1300, 10, 1, 100, 1235).
Vector validation_sequence(RandomSource& random);

}  // namespace vantrelpid
