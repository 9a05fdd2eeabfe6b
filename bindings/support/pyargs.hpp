#pragma once
// Python-number arguments whose Python semantics matter: taken as Python
// objects and converted here, because nanobind's number casters accept and
// reject other things than Python arithmetic does.

#include <nanobind/nanobind.h>

#include <cstdint>

#include "vantrelpid/flags.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

// operator.index(obj): Python and numpy integers (and bool); anything else
// raises TypeError "'<type>' object cannot be interpreted as an integer".
std::int64_t index_arg(nb::handle obj);

// True for Python and numpy integers (not bool unless allow_bool).
bool is_integer(nb::handle obj, bool allow_bool = true);
// True for Python and numpy real numbers (int, float, bool, numpy scalars).
bool is_real_number(nb::handle obj);

// An argument that must be exactly of `type` (no subclass, no None): else
// TypeError "<name> must be of type <type_name>, not <type of value>".
void require_exact_type(nb::handle value, PyTypeObject* type, const char* name, const char* type_name);

// float(obj) for a real number; TypeError for anything else.
double float_arg(nb::handle obj, const char* name);

// int(obj): integers unchanged, floats truncated toward zero (int()'s errors
// for NaN and infinity), other objects through their __int__.
std::int64_t int_arg(nb::handle obj);

// The truth of Python's `obj == value`.
bool equals(nb::handle obj, long value);

// An integrating flag as Python compares it: `== 1` integrating, else
// `== 0` self-regulating, else neither.
IntegratingFlag integrating_flag(nb::handle obj);

// Python's true division a / b (ZeroDivisionError for a zero int or float b,
// numpy's rules for numpy scalars), as a float.
double true_divide(nb::handle a, nb::handle b);

// obj[i] as Python evaluates it (sequences, arrays, mappings).
nb::object item(nb::handle obj, nb::handle i);
nb::object item(nb::handle obj, std::int64_t i);

}  // namespace vantrelpid::py
