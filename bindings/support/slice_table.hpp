#pragma once
// One output's slice table, read as the slice selection reads it.

#include <nanobind/nanobind.h>

#include "vantrelpid/types.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

// np.array(SliceInd[k], dtype=int), checked as the table of one output: the
// assertions "SliceInd must be a matrix" and "SliceInd must have two
// columns" (skipped under -O, when numpy's own errors follow). Returns the
// first two columns.
IntMatrix slice_table(nb::handle SliceInd, nb::handle k);

}  // namespace vantrelpid::py
