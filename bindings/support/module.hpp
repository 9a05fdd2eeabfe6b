#pragma once
// Everything a binding file needs: nanobind, the argument conversions, the
// result builders, the error mapping and the numpy random source.

#include <nanobind/nanobind.h>

#include <initializer_list>

#include "support/convert.hpp"
#include "support/pyargs.hpp"
#include "support/random.hpp"
#include "support/results.hpp"
#include "support/translate.hpp"

namespace nb = nanobind;
using namespace nb::literals;

// Arguments taken as Python objects accept None, as Python functions do; the
// function itself decides what None means (nanobind rejects None by default).
// has_arg_defaults is an internal trait of nanobind, not its public API: the
// build pins nanobind's major version (pyproject.toml, .ci/run,
// examples/quickstart.sh) so that a new major version is adopted knowingly.
template <>
struct nanobind::detail::has_arg_defaults<nanobind::handle> : std::true_type {};
template <>
struct nanobind::detail::has_arg_defaults<nanobind::object> : std::true_type {};

namespace vantrelpid::py {

// Module set-up shared by every extension module: the exception translation,
// then the package modules this one calls, imported in this order when it
// loads (a broken dependency breaks its import).
inline void init_module(nb::module_&, std::initializer_list<const char*> dependencies = {}) {
    register_error_translation();
    for (const char* name : dependencies) nb::module_::import_(name);
}

}  // namespace vantrelpid::py
