#pragma once
// The system's frequency grid, in radians per sample: 100 points spaced
// linearly from pi * 1e-6 to pi * 0.99000001, then 75 points spaced
// logarithmically from 3.14e-4 to 3.14 (the literal 3.14, not pi), built in
// the floating-point steps numpy takes, so the values equal numpy's bit for bit.

#include "vantrelpid/types.hpp"

namespace vantrelpid::util {

inline constexpr Index kGridPoints = 175;
inline constexpr Index kLinearGridPoints = 100;

Vector frequency_grid();

}  // namespace vantrelpid::util
