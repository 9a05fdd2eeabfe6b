#pragma once
// Long calls stop on Ctrl-C: the core's loops poll the Cancellation, and
// Python's signal handlers run there (the GIL is held throughout), so a
// KeyboardInterrupt, or whatever a handler raises, ends the call.

#include <nanobind/nanobind.h>

#include <exception>

#include "vantrelpid/cancellation.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

class PythonSignals final : public Cancellation {
public:
    void poll() const override {
        if (PyErr_CheckSignals() != 0) throw nb::python_error();
    }
};

// A Python error whose type does not derive from Exception (KeyboardInterrupt,
// SystemExit, GeneratorExit): no computation swallows it into a status.
inline bool is_interruption(const std::exception_ptr& p) {
    try {
        std::rethrow_exception(p);
    } catch (const nb::python_error& e) {
        return !e.matches(PyExc_Exception);
    } catch (...) {
        return false;
    }
}

}  // namespace vantrelpid::py
