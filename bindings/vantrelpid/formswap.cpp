// vantrelpid.formswap: PID parameters between the non-interacting and the interacting form.

#include <string>

#include "support/module.hpp"
#include "vantrelpid/tune/formswap.hpp"

namespace py = vantrelpid::py;

namespace {

// --- Python-object arithmetic -------------------------------------------------
// The conversion formulas of the core evaluated on the caller's own number
// objects through the number protocol: Python ints stay ints, a zero Python
// divisor raises ZeroDivisionError, numpy scalars follow numpy's rules.
class PythonNumber {
public:
    PythonNumber(int v) : value_(nb::int_(v)) {}
    PythonNumber(double v) : value_(nb::float_(v)) {}
    explicit PythonNumber(nb::object v) : value_(std::move(v)) {}
    const nb::object& object() const { return value_; }

    friend PythonNumber operator+(const PythonNumber& a, const PythonNumber& b) { return apply(PyNumber_Add, a, b); }
    friend PythonNumber operator-(const PythonNumber& a, const PythonNumber& b) { return apply(PyNumber_Subtract, a, b); }
    friend PythonNumber operator*(const PythonNumber& a, const PythonNumber& b) { return apply(PyNumber_Multiply, a, b); }
    friend PythonNumber operator/(const PythonNumber& a, const PythonNumber& b) { return apply(PyNumber_TrueDivide, a, b); }
    friend bool operator<(const PythonNumber& a, const PythonNumber& b) {
        const int r = PyObject_RichCompareBool(a.value_.ptr(), b.value_.ptr(), Py_LT);
        if (r < 0) throw nb::python_error();
        return r == 1;
    }
    // numpy.sqrt and numpy.real, looked up per call.
    friend PythonNumber sqrt(const PythonNumber& x) { return PythonNumber(py::numpy().attr("sqrt")(x.value_)); }
    friend PythonNumber real(const PythonNumber& x) { return PythonNumber(py::numpy().attr("real")(x.value_)); }

private:
    static PythonNumber apply(PyObject* (*op)(PyObject*, PyObject*), const PythonNumber& a, const PythonNumber& b) {
        nb::object r = nb::steal(op(a.value_.ptr(), b.value_.ptr()));
        if (!r.is_valid()) throw nb::python_error();
        return PythonNumber(std::move(r));
    }

    nb::object value_;
};

bool equals_str(nb::handle obj, const char* text) {
    const int r = PyObject_RichCompareBool(obj.ptr(), nb::str(text).ptr(), Py_EQ);
    if (r < 0) throw nb::python_error();
    return r == 1;
}
// -----------------------------------------------------------------------------

// The package version, read when the module is loaded.
std::string& package_version() {
    static std::string version;
    return version;
}

// The call record, written before anything is checked; the recorder is
// imported here, on this path only.
void record_call(nb::handle PID, nb::handle Type) {
    nb::dict parameters;
    parameters["PID"] = PID;
    parameters["Type"] = Type;
    nb::dict record;
    record["module"] = "vantrelpid.formswap";
    record["version"] = nb::str(package_version().c_str(), package_version().size());
    record["file_name"] = nb::module_::import_("vantrelpid.formswap").attr("__file__");
    record["function_name"] = "formswap";
    record["parameters"] = parameters;
    nb::object record_function = nb::module_::import_("vantrelpid.callstash").attr("record_function");
    record_function(record, "subpath"_a = "matfiles", "filename"_a = "formswap");
}

nb::list formswap(nb::handle PID, nb::handle Type, nb::handle export_file) {
    const int record = PyObject_IsTrue(export_file.ptr());
    if (record < 0) throw nb::python_error();
    if (record == 1) record_call(PID, Type);

    const Py_ssize_t n = PyObject_Length(PID.ptr());
    if (n < 0) throw nb::python_error();
    nb::object values = nb::steal(n == 3 ? PySequence_Tuple(PID.ptr()) : nullptr);
    if (n == 3 && !values.is_valid()) throw nb::python_error();
    if (n != 3 || PyTuple_GET_SIZE(values.ptr()) != 3) py::raise_value_error("Number of PID parameters is not 3");
    const PythonNumber K(nb::borrow(PyTuple_GET_ITEM(values.ptr(), 0)));
    const PythonNumber Ti(nb::borrow(PyTuple_GET_ITEM(values.ptr(), 1)));
    const PythonNumber Td(nb::borrow(PyTuple_GET_ITEM(values.ptr(), 2)));

    std::array<PythonNumber, 3> out = [&] {
        if (equals_str(Type, "nonint")) return vantrelpid::interacting_form(K, Ti, Td);
        if (equals_str(Type, "int")) return vantrelpid::noninteracting_form(K, Ti, Td);
        py::raise_value_error("Type unknown");
    }();
    nb::list PIDn;
    for (const PythonNumber& x : out) PIDn.append(x.object());
    return PIDn;
}

}  // namespace

NB_MODULE(formswap, m) {
    py::init_module(m);
    package_version() = nb::str(nb::module_::import_("vantrelpid").attr("__version__")).c_str();
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
