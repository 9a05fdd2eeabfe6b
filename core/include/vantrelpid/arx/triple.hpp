#pragma once
// Three ARX candidates of one output, of three orders, estimated on the
// selected slices of a preprocessed record: the high-order models among which
// the multivariable identification chooses.

#include <array>
#include <cstdint>

#include "vantrelpid/arx/model.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid {

// Un: N x nu preprocessed inputs; yn: N outputs; SlIndk: selected slices,
// rows [first, last] of 1-based sample numbers (inclusive; a last sample
// beyond N is clipped); orders: the three model orders (>= 0); delays: one
// delay >= 0 per input, in samples, held out of the numerators (b_il
// multiplies u_i(t - d_i - l)).
//
// Each model is the least-squares fit, every equation weighted alike, of the
// ARX equations whose lagged values all lie inside a slice; the first slice
// does not use its first 80 samples. Where the slices hold fewer equations
// than parameters, the minimum-norm solution is returned.
//
// Errors: no slice, or no equation at all for one of the orders, raise
// InvalidArgument; a first sample below 1 or a last sample below the first
// raise OutOfRange.
std::array<ArxModel, 3> arx_triple(const Matrix& Un, const Vector& yn, const IntMatrix& SlIndk,
                                   const std::array<std::int64_t, 3>& orders, const IntVector& delays);

}  // namespace vantrelpid
