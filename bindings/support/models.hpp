#pragma once
// Arguments that describe a stacked multivariable model: the state-space
// matrices and the per-output orders.

#include <nanobind/nanobind.h>

#include <vector>

#include "vantrelpid/types.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

// np.array of A, B, C and D; a one-dimensional D, then C, becomes one row.
// D must then have two dimensions (Python's unpacking errors of
// `ny, nu = D.shape` otherwise), A, B and C must have two.
util::StateSpace stacked_model(nb::handle A, nb::handle B, nb::handle C, nb::handle D);

// The per-output orders: one integer or a sequence of whole numbers.
std::vector<Index> model_orders(nb::handle ORDS);

}  // namespace vantrelpid::py
