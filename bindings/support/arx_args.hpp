#pragma once
// Arguments of the ARX estimators: output columns, delay lists and tables of
// [first, last] slice rows (input matrices: real_matrix of convert.hpp).

#include <nanobind/nanobind.h>

#include <optional>

#include "vantrelpid/types.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

// An N x 1 column of real numbers (ValueError for any other shape; TypeError
// for non-real values, or for values that are not floating point when
// `floating_only`).
Vector signal_column(nb::handle obj, const char* name, bool floating_only);

// None, or `inputs` delays read as Python reads Delay[i]: the length check
// is the assertion "The length of Delay must be equal to the number of
// inputs" (skipped under -O, when a shorter Delay raises IndexError and a
// longer one is used for its first entries); every entry must be an integer
// (TypeError otherwise).
std::optional<IntVector> delay_list(nb::handle Delay, Index inputs);

// Rows [first, last] of whole numbers. An empty table raises ValueError
// "<name> has no rows"; a table that is not of shape (m, 2) ValueError;
// entries of a non-integer type TypeError; unsigned entries beyond int64
// IndexError (require_int64_samples).
IntMatrix slice_rows(nb::handle obj, const char* name);

}  // namespace vantrelpid::py
