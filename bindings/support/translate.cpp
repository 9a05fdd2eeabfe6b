#include "support/translate.hpp"

#include <nanobind/stl/string.h>

#include <exception>

#include "vantrelpid/errors.hpp"

namespace vantrelpid::py {

namespace {

void set_error_from(const char* module, const char* name, const char* message) {
    nb::object cls = nb::module_::import_(module).attr(name);
    PyErr_SetString(cls.ptr(), message);
}

void translate(const std::exception_ptr& p, void*) {
    try {
        std::rethrow_exception(p);
    } catch (const InvalidArgument& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const TypeMismatch& e) {
        PyErr_SetString(PyExc_TypeError, e.what());
    } catch (const OutOfRange& e) {
        PyErr_SetString(PyExc_IndexError, e.what());
    } catch (const MissingKey& e) {
        nb::str key(e.what());
        PyErr_SetObject(PyExc_KeyError, key.ptr());
    } catch (const DivisionByZero& e) {
        PyErr_SetString(PyExc_ZeroDivisionError, e.what());
    } catch (const Overflow& e) {
        PyErr_SetString(PyExc_OverflowError, e.what());
    } catch (const AssertionFailure& e) {
        PyErr_SetString(PyExc_AssertionError, e.what());
    } catch (const LinAlgError& e) {
        set_error_from("numpy.linalg", "LinAlgError", e.what());
    }
}

}  // namespace

void register_error_translation() { nb::register_exception_translator(&translate); }

bool assertions_enabled() {
    nb::object flags = nb::module_::import_("sys").attr("flags");
    return nb::cast<long>(flags.attr("optimize")) == 0;
}

bool check(bool condition, const char* message) {
    if (!condition && assertions_enabled()) raise(PyExc_AssertionError, message);
    return condition;
}

void raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw nb::python_error();
}

void raise_type_error(const std::string& message) { raise(PyExc_TypeError, message); }
void raise_value_error(const std::string& message) { raise(PyExc_ValueError, message); }
void raise_index_error(const std::string& message) { raise(PyExc_IndexError, message); }

void raise_key_error(const nb::handle& key) {
    PyErr_SetObject(PyExc_KeyError, key.ptr());
    throw nb::python_error();
}

void raise_wrong_type(const char* name, const char* expected, nb::handle value) {
    const std::string given = nb::cast<std::string>(nb::handle(Py_TYPE(value.ptr())).attr("__name__"));
    raise_type_error(std::string(name) + " must be of type " + expected + ", not " + given);
}

void PythonWarnings::warn(WarningKind kind, const std::string& message) {
    nb::object category;
    if (kind == WarningKind::IllConditioned)
        category = nb::module_::import_("scipy.linalg").attr("LinAlgWarning");
    else
        category = nb::borrow(PyExc_RuntimeWarning);
    if (PyErr_WarnEx(category.ptr(), message.c_str(), 1) != 0) throw nb::python_error();
}

}  // namespace vantrelpid::py
