#pragma once
// One output's slice table, read as the slice selection reads it.

#include <nanobind/nanobind.h>

#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

// np.array(SliceInd[k], dtype=int), checked as the table of one output: the
// assertions "SliceInd must be a matrix" and "SliceInd must have two
// columns" (skipped under -O, when numpy's own errors follow). Returns the
// first two columns. Unsigned entries beyond int64 raise IndexError
// (require_int64_samples).
IntMatrix slice_table(nb::handle SliceInd, nb::handle k);

// Output k's slice selection, checked against a record of n_rows samples
// (an out-of-record selected sample raises IndexError before the sample list
// is built).
CheckedSelection checked_selection(nb::handle SliceInd, Index k, Index n_rows);

}  // namespace vantrelpid::py
