#pragma once
// Python number semantics that the algorithms depend on: the built-in
// round (halves to even), int() truncation, floor division and modulo,
// index normalisation and slice clipping.

#include <cstdint>
#include <string>

namespace vantrelpid::pynum {

// True when x lies in [-2**63, 2**63): its integer part is an int64 value.
bool fits_int64(double x);

// A whole number held in a double (finite, no fraction) as an int64, with
// values beyond the range saturated to its ends: a delay or count of 2**70
// means what 2**63 - 1 means to the code that compares it with a record.
std::int64_t saturate_whole(double x);

// round(x) for a float x: the nearest integer, halves to the even neighbour.
// Non-finite x raises as Python does (ValueError for NaN, OverflowError is
// reported as InvalidArgument for infinity); a result beyond int64 raises
// Overflow naming `name`.
std::int64_t round_half_even(double x, const char* name = "value");

// round(a / b) for integers a, b with true division; b == 0 raises
// DivisionByZero ("division by zero").
std::int64_t round_ratio(std::int64_t a, std::int64_t b);

// int(x) for a float x: truncation toward zero; non-finite x raises, and so
// does a result beyond int64 (Overflow naming `name`).
std::int64_t truncate(double x, const char* name = "value");

// a // b and a % b with Python's signs (the quotient rounds toward -inf).
std::int64_t floor_div(std::int64_t a, std::int64_t b);
std::int64_t floor_mod(std::int64_t a, std::int64_t b);

// The decimal text of n + 1 for n >= 0, also for n = 2**63 - 1 (messages
// that name the samples an order needs).
std::string successor_text(std::int64_t n);

// The bounds that seq[start:stop] selects from a sequence of length n.
struct SliceBounds {
    std::int64_t start = 0;
    std::int64_t stop = 0;  // stop >= start always
    std::int64_t length() const { return stop - start; }
};
SliceBounds clip_slice(std::int64_t start, std::int64_t stop, std::int64_t n);
// seq[start:] of a sequence of length n.
SliceBounds clip_slice_from(std::int64_t start, std::int64_t n);

// numpy's text for an index outside an axis:
// "index <i> is out of bounds for axis <axis> with size <n>".
std::string out_of_bounds_message(std::int64_t i, std::int64_t n, int axis = 0);

// The position seq[i] reads in a sequence of length n (negative i counts
// from the end); out of range raises OutOfRange with out_of_bounds_message.
std::int64_t normalize_index(std::int64_t i, std::int64_t n, int axis = 0);

}  // namespace vantrelpid::pynum
