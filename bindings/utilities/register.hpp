#pragma once
// Registration functions of the groups of vantrelpid._utilities.

#include <nanobind/nanobind.h>

namespace vantrelpid::py::utilities {

void register_polynomials(nanobind::module_& m);

}  // namespace vantrelpid::py::utilities
