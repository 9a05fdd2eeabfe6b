#include "support/pyarith.hpp"

namespace vantrelpid::py {
namespace {

// The new reference `result` of a C API call; its error when null.
template <typename T = nb::object>
T checked(PyObject* result) {
    if (result == nullptr) throw nb::python_error();
    return nb::steal<T>(result);
}

Number binary(PyObject* (*op)(PyObject*, PyObject*), const Number& a, const Number& b) {
    return Number(checked(op(a.object().ptr(), b.object().ptr())));
}

bool compare(const Number& a, const Number& b, int op) {
    return truth(checked(PyObject_RichCompare(a.object().ptr(), b.object().ptr(), op)));
}

}  // namespace

Number operator+(const Number& a, const Number& b) { return binary(PyNumber_Add, a, b); }
Number operator-(const Number& a, const Number& b) { return binary(PyNumber_Subtract, a, b); }
Number operator*(const Number& a, const Number& b) { return binary(PyNumber_Multiply, a, b); }
Number operator/(const Number& a, const Number& b) { return binary(PyNumber_TrueDivide, a, b); }
Number operator-(const Number& a) { return Number(checked(PyNumber_Negative(a.object().ptr()))); }
Number abs(const Number& a) { return Number(checked(PyNumber_Absolute(a.object().ptr()))); }

bool operator<(const Number& a, const Number& b) { return compare(a, b, Py_LT); }
bool operator<=(const Number& a, const Number& b) { return compare(a, b, Py_LE); }
bool operator>(const Number& a, const Number& b) { return compare(a, b, Py_GT); }
bool operator>=(const Number& a, const Number& b) { return compare(a, b, Py_GE); }
bool operator==(const Number& a, const Number& b) { return compare(a, b, Py_EQ); }
bool operator!=(const Number& a, const Number& b) { return compare(a, b, Py_NE); }

bool truth(nb::handle obj) {
    const int r = PyObject_IsTrue(obj.ptr());
    if (r < 0) throw nb::python_error();
    return r == 1;
}

nb::str str_of(std::string_view utf8) {
    return checked<nb::str>(PyUnicode_FromStringAndSize(utf8.data(), static_cast<Py_ssize_t>(utf8.size())));
}

nb::str format(nb::handle value, nb::handle spec) { return checked<nb::str>(PyObject_Format(value.ptr(), spec.ptr())); }
nb::str format(nb::handle value, std::string_view spec) { return format(value, str_of(spec)); }

nb::str percent(nb::handle format_string, nb::handle value) {
    return checked<nb::str>(PyUnicode_Format(format_string.ptr(), value.ptr()));
}
nb::str percent(std::string_view format_string, nb::handle value) { return percent(str_of(format_string), value); }

nb::str text(nb::handle value) { return checked<nb::str>(PyObject_Str(value.ptr())); }

nb::str concat(nb::handle a, nb::handle b) {
    return checked<nb::str>(PyUnicode_Concat(a.ptr(), b.ptr()));
}

}  // namespace vantrelpid::py
