#pragma once
// Mapping of the core's typed errors onto Python's exception classes, and the
// assertion-style checks that Python skips under -O.

#include <nanobind/nanobind.h>

#include <string>

#include "vantrelpid/warnings.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

// Register the translation of the core's exceptions; call once per module.
void register_error_translation();

// True unless Python runs with -O (sys.flags.optimize > 0).
bool assertions_enabled();

// An assertion-style check: raises AssertionError(message) when `condition`
// is false and assertions are enabled; returns `condition` either way, so the
// caller can fail as the unchecked code would.
bool check(bool condition, const char* message);

// Raise a Python exception of the given builtin class with the message.
[[noreturn]] void raise(PyObject* type, const std::string& message);
[[noreturn]] void raise_type_error(const std::string& message);
[[noreturn]] void raise_value_error(const std::string& message);
[[noreturn]] void raise_index_error(const std::string& message);
[[noreturn]] void raise_key_error(const nb::handle& key);

// "<name> must be of type <expected>, not <type of value>"
[[noreturn]] void raise_wrong_type(const char* name, const char* expected, nb::handle value);

// Warnings from the core, emitted as Python warnings (scipy's LinAlgWarning
// for ill-conditioned systems). A warning filter that turns them into errors
// raises from the core's call.
class PythonWarnings final : public WarningSink {
public:
    void warn(WarningKind kind, const std::string& message) override;
};

}  // namespace vantrelpid::py
