#pragma once
// Everything a binding file needs: nanobind, the argument conversions, the
// result builders, the error mapping and the numpy random source.

#include <nanobind/nanobind.h>

#include "support/convert.hpp"
#include "support/translate.hpp"
#include "support/pyargs.hpp"
#include "support/random.hpp"
#include "support/results.hpp"

namespace nb = nanobind;
using namespace nb::literals;

// Arguments taken as Python objects accept None, as Python functions do; the
// function itself decides what None means (nanobind rejects None by default).
template <>
struct nanobind::detail::has_arg_defaults<nanobind::handle> : std::true_type {};
template <>
struct nanobind::detail::has_arg_defaults<nanobind::object> : std::true_type {};

namespace vantrelpid::py {

// Module set-up shared by every extension module.
inline void init_module(nb::module_&) { register_error_translation(); }

}  // namespace vantrelpid::py
