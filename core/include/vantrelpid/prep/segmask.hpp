#pragma once
// Slice selection: one output's table of deselected stretches turned into the
// selected stretches and their sample numbers.

#include <cstdint>

#include "vantrelpid/types.hpp"

namespace vantrelpid {

// The shortest selected stretch that is kept holds this many samples.
inline constexpr std::int64_t kMinSliceSamples = 143;

struct SliceSelection {
    IntMatrix slices;   // SlIndk: m x 2 rows [first, last], 1-based, inclusive
    IntVector samples;  // SlSampk: the sample numbers of the rows, in row order
    // True when a table with deselected rows left no stretch: the sample
    // list is then reported as an empty (0, 2) array, like the slices.
    bool none_survived = false;
};

// The selected stretches alone (SlIndk): `table` holds rows [first, last] of
// stretches NOT to use (the first two columns are read); the first row whose
// first entry is -1 ends it. Rows are not sorted, merged or clipped to 1..n_samples.
IntMatrix selected_slices(const IntMatrix& table, std::int64_t n_samples);

// The numbers first..last of each row [first, last], row after row (rows with
// last < first list nothing); std::bad_alloc when they cannot be counted.
IntVector slice_samples(const IntMatrix& slices);

// The selected stretches and their sample numbers.
SliceSelection segmask(const IntMatrix& table, std::int64_t n_samples);

}  // namespace vantrelpid
