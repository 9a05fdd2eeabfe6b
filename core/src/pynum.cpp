#include "vantrelpid/pynum.hpp"

#include <cmath>
#include <limits>

#include "vantrelpid/errors.hpp"

namespace vantrelpid::pynum {

namespace {

void require_finite(double x) {
    if (std::isnan(x)) throw InvalidArgument("cannot convert float NaN to integer");
    if (std::isinf(x)) throw InvalidArgument("cannot convert float infinity to integer");
}

std::int64_t checked_cast(double whole, const char* name) {
    if (!fits_int64(whole)) throw Overflow(std::string(name) + " is too large for a 64-bit integer");
    return static_cast<std::int64_t>(whole);
}

}  // namespace

bool fits_int64(double x) { return x >= -0x1p63 && x < 0x1p63; }

std::int64_t saturate_whole(double x) {
    if (x >= 0x1p63) return std::numeric_limits<std::int64_t>::max();
    if (!(x >= -0x1p63)) return std::numeric_limits<std::int64_t>::min();  // NaN included: never cast
    return static_cast<std::int64_t>(x);
}

std::int64_t round_half_even(double x, const char* name) {
    require_finite(x);
    // Python rounds the exact binary value; std::nearbyint does too, with
    // the default rounding mode (to nearest, ties to even).
    return checked_cast(std::nearbyint(x), name);
}

std::int64_t round_ratio(std::int64_t a, std::int64_t b) {
    if (b == 0) throw DivisionByZero("division by zero");
    return round_half_even(static_cast<double>(a) / static_cast<double>(b));
}

std::int64_t truncate(double x, const char* name) {
    require_finite(x);
    return checked_cast(std::trunc(x), name);
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

std::string successor_text(std::int64_t n) {
    return std::to_string(static_cast<std::uint64_t>(n) + 1);
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
