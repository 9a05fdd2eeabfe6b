// vantrelpid.formswap: PID parameters between the non-interacting and the interacting form.

#include <optional>
#include <string>

#include "support/call_record.hpp"
#include "support/module.hpp"
#include "support/convert.hpp"
#include "support/pyarith.hpp"
#include "vantrelpid/tune/formswap.hpp"

namespace py = vantrelpid::py;

// numpy's square root and real part of a Python number, as the "nonint"
// conversion reads them; found by argument-dependent lookup from the core's
// formula, whose other operations are the interpreter's (py::Number).
namespace vantrelpid::py {

// numpy.sqrt(x).
Number sqrt(const Number& x) { return Number(numpy().attr("sqrt")(x.object())); }

// numpy.real(x) as it reads: x.real, else asanyarray(x).real.
Number real(const Number& x) {
    nb::object r = nb::steal(PyObject_GetAttrString(x.object().ptr(), "real"));
    if (r.is_valid()) return Number(std::move(r));
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw nb::python_error();
    PyErr_Clear();
    return Number(nb::object(numpy().attr("asanyarray")(x.object()).attr("real")));
}

}  // namespace vantrelpid::py

namespace {

// Python's `obj == text`.
bool equals_str(nb::handle obj, const char* text) {
    if (PyUnicode_CheckExact(obj.ptr())) return PyUnicode_CompareWithASCIIString(obj.ptr(), text) == 0;
    return py::Number(obj) == py::Number(py::str_of(text));
}

// The call record, written before anything is checked; the recorder is
// imported here, on this path only.
void record_call(nb::handle PID, nb::handle Type) {
    nb::dict parameters;
    parameters["PID"] = PID;
    parameters["Type"] = Type;
    py::record_call("vantrelpid.formswap", "formswap", parameters);
}

// K, Ti, Td = PID, after len(PID) == 3 is checked.
std::array<py::Number, 3> unpack(nb::handle PID) {
    const Py_ssize_t n = PyObject_Length(PID.ptr());
    if (n < 0) throw nb::python_error();
    if (n != 3) py::raise_value_error("Number of PID parameters is not 3");
    nb::object items = nb::steal(PySequence_Fast(PID.ptr(), "PID must be a sequence"));
    if (!items.is_valid()) throw nb::python_error();
    if (PySequence_Fast_GET_SIZE(items.ptr()) != 3) py::raise_value_error("Number of PID parameters is not 3");
    PyObject** v = PySequence_Fast_ITEMS(items.ptr());
    return {py::Number(nb::borrow(v[0])), py::Number(nb::borrow(v[1])), py::Number(nb::borrow(v[2]))};
}

nb::list new_list(const std::array<py::Number, 3>& values) {
    nb::list out = nb::steal<nb::list>(PyList_New(3));
    for (Py_ssize_t k = 0; k < 3; ++k) PyList_SET_ITEM(out.ptr(), k, values[k].object().inc_ref().ptr());
    return out;
}

// The "int" conversion of three exact Python floats, whose operations are
// IEEE double operations: the same values in C++, unless a divisor is zero,
// which the object arithmetic reports as Python does.
std::optional<nb::list> noninteracting_floats(const std::array<py::Number, 3>& PID) {
    for (const py::Number& x : PID)
        if (!PyFloat_CheckExact(x.object().ptr())) return std::nullopt;
    const double K = PyFloat_AS_DOUBLE(PID[0].object().ptr()), Ti = PyFloat_AS_DOUBLE(PID[1].object().ptr()),
                 Td = PyFloat_AS_DOUBLE(PID[2].object().ptr());
    if (Ti == 0.0 || Ti + Td == 0.0) return std::nullopt;
    const auto [Kn, Tin, Tdn] = vantrelpid::noninteracting_form(K, Ti, Td);
    return new_list({py::Number(Kn), py::Number(Tin), py::Number(Tdn)});
}

nb::list formswap(nb::handle PID, nb::handle Type, nb::handle export_file) {
    const int record = PyObject_IsTrue(export_file.ptr());
    if (record < 0) throw nb::python_error();
    if (record == 1) record_call(PID, Type);

    const std::array<py::Number, 3> values = unpack(PID);
    const auto& [K, Ti, Td] = values;
    if (equals_str(Type, "nonint")) return new_list(vantrelpid::interacting_form(K, Ti, Td));
    if (equals_str(Type, "int")) {
        if (std::optional<nb::list> fast = noninteracting_floats(values)) return *fast;
        return new_list(vantrelpid::noninteracting_form(K, Ti, Td));
    }
    py::raise_value_error("Type unknown");
}

}  // namespace

NB_MODULE(formswap, m) {
    py::init_module(m);
    py::load_package_version();
    m.def("formswap", &formswap, "PID"_a, "Type"_a, "export_file"_a = false,
          "formswap(PID, Type, export_file=False) -> PIDn\n\n"
          "PID parameters [K, Ti, Td] converted between the non-interacting form\n"
          "K (1 + 1/(Ti s) + Td s) and the interacting form K (1 + 1/(Ti s))(1 + Td s).\n"
          "Type \"nonint\": PID is non-interacting; Td is first limited to Ti/4 and the\n"
          "result holds numpy floats. Type \"int\": PID is interacting; the result is\n"
          "Python's arithmetic on the given numbers ([1, 2, 2] gives [2.0, 4, 1.0]).\n"
          "PIDn is a new list. Raises ValueError \"Number of PID parameters is not 3\", then\n"
          "\"Type unknown\". With export_file true the call is first recorded to\n"
          "export/debug/p_formswap.pkl and m_formswap.mat.");
}
