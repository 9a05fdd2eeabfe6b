#include "support/pyargs.hpp"

#include "support/translate.hpp"

namespace vantrelpid::py {

std::int64_t index_arg(nb::handle obj) {
    nb::object i = nb::steal(PyNumber_Index(obj.ptr()));
    if (!i.is_valid()) throw nb::python_error();
    const long long v = PyLong_AsLongLong(i.ptr());
    if (v == -1 && PyErr_Occurred()) throw nb::python_error();
    return static_cast<std::int64_t>(v);
}

bool is_integer(nb::handle obj, bool allow_bool) {
    if (PyBool_Check(obj.ptr())) return allow_bool;
    if (PyLong_Check(obj.ptr())) return true;
    nb::object np_integer = nb::module_::import_("numpy").attr("integer");
    return PyObject_IsInstance(obj.ptr(), np_integer.ptr()) == 1;
}

bool is_real_number(nb::handle obj) {
    if (PyBool_Check(obj.ptr()) || PyLong_Check(obj.ptr()) || PyFloat_Check(obj.ptr())) return true;
    nb::module_ np = nb::module_::import_("numpy");
    return PyObject_IsInstance(obj.ptr(), np.attr("integer").ptr()) == 1 ||
           PyObject_IsInstance(obj.ptr(), np.attr("floating").ptr()) == 1 ||
           PyObject_IsInstance(obj.ptr(), np.attr("bool_").ptr()) == 1;
}

void require_exact_type(nb::handle value, PyTypeObject* type, const char* name, const char* type_name) {
    if (Py_TYPE(value.ptr()) != type) raise_wrong_type(name, type_name, value);
}

double float_arg(nb::handle obj, const char* name) {
    if (!is_real_number(obj)) raise_wrong_type(name, "float", obj);
    const double v = PyFloat_AsDouble(obj.ptr());
    if (v == -1.0 && PyErr_Occurred()) throw nb::python_error();
    return v;
}

std::int64_t int_arg(nb::handle obj) {
    nb::object i = nb::steal(PyNumber_Long(obj.ptr()));
    if (!i.is_valid()) throw nb::python_error();
    const long long v = PyLong_AsLongLong(i.ptr());
    if (v == -1 && PyErr_Occurred()) throw nb::python_error();
    return static_cast<std::int64_t>(v);
}

bool equals(nb::handle obj, long value) {
    nb::object v = nb::int_(value);
    const int r = PyObject_RichCompareBool(obj.ptr(), v.ptr(), Py_EQ);
    if (r < 0) throw nb::python_error();
    return r == 1;
}

IntegratingFlag integrating_flag(nb::handle obj) {
    if (equals(obj, 1)) return IntegratingFlag::Integrating;
    if (equals(obj, 0)) return IntegratingFlag::SelfRegulating;
    return IntegratingFlag::Other;
}

double true_divide(nb::handle a, nb::handle b) {
    nb::object q = nb::steal(PyNumber_TrueDivide(a.ptr(), b.ptr()));
    if (!q.is_valid()) throw nb::python_error();
    const double v = PyFloat_AsDouble(q.ptr());
    if (v == -1.0 && PyErr_Occurred()) throw nb::python_error();
    return v;
}

nb::object item(nb::handle obj, nb::handle i) {
    nb::object r = nb::steal(PyObject_GetItem(obj.ptr(), i.ptr()));
    if (!r.is_valid()) throw nb::python_error();
    return r;
}

nb::object item(nb::handle obj, std::int64_t i) { return item(obj, nb::int_(i)); }

}  // namespace vantrelpid::py
