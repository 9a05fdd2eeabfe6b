#include "vantrelpid/pynum.hpp"

#include <cmath>

#include "vantrelpid/errors.hpp"

namespace vantrelpid::pynum {

namespace {

void require_finite(double x) {
    if (std::isnan(x)) throw InvalidArgument("cannot convert float NaN to integer");
    if (std::isinf(x)) throw InvalidArgument("cannot convert float infinity to integer");
}

}  // namespace

std::int64_t round_half_even(double x) {
    require_finite(x);
    // Python rounds the exact binary value; std::nearbyint does too, with
    // the default rounding mode (to nearest, ties to even).
    return static_cast<std::int64_t>(std::nearbyint(x));
}

std::int64_t round_ratio(std::int64_t a, std::int64_t b) {
    if (b == 0) throw DivisionByZero("division by zero");
    return round_half_even(static_cast<double>(a) / static_cast<double>(b));
}

std::int64_t truncate(double x) {
    require_finite(x);
    return static_cast<std::int64_t>(std::trunc(x));
}

std::int64_t floor_div(std::int64_t a, std::int64_t b) {
    if (b == 0) throw DivisionByZero("integer division or modulo by zero");
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

std::int64_t floor_mod(std::int64_t a, std::int64_t b) {
    return a - floor_div(a, b) * b;
}

SliceBounds clip_slice(std::int64_t start, std::int64_t stop, std::int64_t n) {
    auto clip = [n](std::int64_t i) {
        if (i < 0) i += n;
        if (i < 0) return std::int64_t{0};
        return i > n ? n : i;
    };
    SliceBounds s{clip(start), clip(stop)};
    if (s.stop < s.start) s.stop = s.start;
    return s;
}

SliceBounds clip_slice_from(std::int64_t start, std::int64_t n) {
    return clip_slice(start, n, n);
}

std::string out_of_bounds_message(std::int64_t i, std::int64_t n, int axis) {
    return "index " + std::to_string(i) + " is out of bounds for axis " + std::to_string(axis) + " with size " +
           std::to_string(n);
}

std::int64_t normalize_index(std::int64_t i, std::int64_t n, int axis) {
    const std::int64_t j = i < 0 ? i + n : i;
    if (j < 0 || j >= n) throw OutOfRange(out_of_bounds_message(i, n, axis));
    return j;
}

}  // namespace vantrelpid::pynum
