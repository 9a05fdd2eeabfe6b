#pragma once
// Sliced ARX estimate: one multi-input ARX model of one output, fitted by
// least squares over selected slices of a record. The model parameters are
// shared by all slices; each slice adds its own pulse parameters, which take
// up the equations at its start and end whose lagged values leave the slice.

#include <cstdint>
#include <optional>

#include "vantrelpid/arx/model.hpp"
#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/warnings.hpp"

namespace vantrelpid {

// U: N x nu inputs; Y: N outputs; SlInd: rows [first, last] of 1-based sample
// numbers (inclusive; a last sample beyond N is clipped to N); order n >= 0;
// delays: none, or one delay >= 0 per input, applied inside each slice (the
// first d samples of the slice's input become zeros).
//
// Each slice's equations are those at its samples n..Nk-1, weighted by the
// slice's FFT length. Reseeds `random` with 1704 and draws N normal values
// that do not enter the result. The normal equations are solved by LU:
// a singular matrix raises LinAlgError, an ill-conditioned one is reported
// to `warnings`.
//
// Errors: no rows, a slice too short for the order, or a delay longer than a
// slice raise InvalidArgument; a first sample below 1 or a last sample below
// the first raise OutOfRange.
ArxModel seglsq(const Matrix& U, const Vector& Y, const IntMatrix& SlInd, std::int64_t n,
                const std::optional<IntVector>& delays, RandomSource& random, WarningSink& warnings);

}  // namespace vantrelpid
