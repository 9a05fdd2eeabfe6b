// vantrelpid.vendorforms: the class VendorForms, which maps vendor display
// names of controller types to PID form codes and writes a tuned PID
// controller in each vendor's parameter form.
//
// The display names, the forms' data and their derivations are the core's
// (vantrelpid/facade/vendorforms.hpp). Here the derivations run on the
// caller's own objects with the interpreter's arithmetic, and the texts come
// from Python's formatting (support/pyarith.hpp): ints, bools, floats and
// numpy scalars give exactly what the same expressions give in Python.

#include <utility>

#include "support/module.hpp"
#include "support/pyarith.hpp"
#include "vantrelpid/facade/vendorforms.hpp"

namespace py = vantrelpid::py;
namespace vf = vantrelpid::facade;

namespace {

// The C++ side of a VendorForms object holds nothing: its one attribute,
// `adapters`, is an ordinary Python dict in the instance's __dict__, where a
// host may edit it.
struct VendorForms {};
using Self = nb::pointer_and_handle<VendorForms>;

struct FormArguments {
    nb::handle p, i, d, np, ni, nd, oprange, sprange, pi_only, unit;
};

bool contains(nb::handle container, nb::handle key) {
    const int r = PySequence_Contains(container.ptr(), key.ptr());
    if (r < 0) throw nb::python_error();
    return r == 1;
}

nb::object get_item(nb::handle mapping, nb::handle key) {
    PyObject* value = PyObject_GetItem(mapping.ptr(), key.ptr());
    if (value == nullptr) throw nb::python_error();
    return nb::steal(value);
}

void set_item(nb::handle mapping, const char* key, nb::handle value) {
    if (PyDict_CheckExact(mapping.ptr()) ? PyDict_SetItemString(mapping.ptr(), key, value.ptr())
                                         : PyMapping_SetItemString(mapping.ptr(), key, value.ptr()))
        throw nb::python_error();
}

// F(value), a blank, the unit piece's text and the suffix.
nb::str time_text(const py::Number& value, nb::handle unit_text, std::string_view suffix) {
    nb::str text = py::concat(py::concat(py::format(value.object(), ".3f"), py::str_of(" ")), unit_text);
    return suffix.empty() ? text : py::concat(text, py::str_of(suffix));
}

// One vendor form method: the dictionary pname, iname, dname, pv, iv,
// [pidequ], [latex], dv.
nb::dict form_result(const vf::VendorForm& form, const FormArguments& a) {
    nb::dict result;
    set_item(result, vf::kPname, py::str_of(form.pname));
    set_item(result, vf::kIname, py::str_of(form.iname));
    set_item(result, vf::kDname, py::str_of(form.dname));

    nb::object unit_piece;  // what the zero text formats
    bool in_minutes = false;
    switch (form.unit_rule) {
        case vf::UnitRule::AsGiven: unit_piece = nb::borrow(a.unit); break;
        case vf::UnitRule::Tenths: unit_piece = py::str_of(vf::kTenths); break;
        case vf::UnitRule::Minutes: {
            nb::object unit = nb::borrow(a.unit);
            in_minutes = py::truth(unit.attr("lower")().attr("startswith")("s"));
            if (in_minutes) unit = py::str_of(vf::kMinutes);
            unit_piece = py::percent(vf::kUnitPiece, unit);
            break;
        }
    }
    const nb::str unit_text = py::text(unit_piece);

    const bool interacting = form.set == vf::ParameterSet::Interacting;
    const vf::FormValues<py::Number> v = vf::form_values(
        form,
        vf::FormOperands<py::Number>{py::Number(interacting ? a.p : a.np), py::Number(interacting ? a.i : a.ni),
                                     py::Number(interacting ? a.d : a.nd), py::Number(a.oprange),
                                     py::Number(a.sprange)},
        in_minutes);

    set_item(result, vf::kPv, py::percent(form.gain_format, v.gain.object()));
    set_item(result, vf::kIv, time_text(v.integral, unit_text, form.integral_suffix));
    if (!form.pidequ.empty()) set_item(result, vf::kPidequ, py::str_of(form.pidequ));
    if (!form.latex.empty()) set_item(result, vf::kLatex, py::str_of(form.latex));
    set_item(result, vf::kDv,
             py::truth(a.pi_only) ? py::percent(form.zero_format, unit_piece)
                                  : time_text(v.derivative, unit_text, form.derivative_suffix));
    return result;
}

template <std::size_t K>
nb::dict form_method(Self, nb::handle p, nb::handle i, nb::handle d, nb::handle np, nb::handle ni, nb::handle nd,
                     nb::handle oprange, nb::handle sprange, nb::handle piOnly, nb::handle unit) {
    return form_result(vf::kVendorForms[K], {p, i, d, np, ni, nd, oprange, sprange, piOnly, unit});
}

void init(Self self) {
    new (self.p) VendorForms();
    nb::dict adapters;
    for (const vf::DisplayName& row : vf::kDisplayNames)
        adapters[py::str_of(row.name)] = self.h.attr(py::str_of(row.method));
    nb::setattr(self.h, "adapters", adapters);
}

nb::object get_controller_type(Self self, nb::handle dcstype) {
    py::require_exact_type(dcstype, &PyUnicode_Type, "dcstype", "str");
    if (!contains(self.h.attr("adapters"), dcstype)) {
        PyErr_Format(PyExc_ValueError, "Controller type '%U' not supported.", dcstype.ptr());
        throw nb::python_error();
    }
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(dcstype.ptr(), &size);
    const vf::DisplayName* row = utf8 ? vf::find_display_name({utf8, static_cast<std::size_t>(size)}) : nullptr;
    if (row == nullptr) {
        // A name that a host added to the table belongs to no group: no code.
        PyErr_Clear();
        return nb::none();
    }
    return py::str_of(row->code);
}

nb::object calculate(Self self, nb::handle dcstype, nb::handle p, nb::handle i, nb::handle d, nb::handle np,
                     nb::handle ni, nb::handle nd, nb::handle oprange, nb::handle sprange, nb::handle piOnly,
                     nb::handle unit) {
    nb::object adapters = self.h.attr("adapters");
    if (!contains(adapters, dcstype)) return nb::none();
    if (py::truth(piOnly)) {
        p = np;
        i = ni;
        d = nd;
    }
    nb::object method = get_item(adapters, dcstype);
    nb::object result = method(p, i, d, np, ni, nd, oprange, sprange, piOnly, unit);

    const auto line = [&](const char* name, const char* value, const char* end) {
        nb::str text = py::concat(py::text(get_item(result, nb::str(name))), py::str_of(" = "));
        text = py::concat(text, py::text(get_item(result, nb::str(value))));
        return *end ? py::concat(text, py::str_of(end)) : text;
    };
    nb::str pidstr = line(vf::kPname, vf::kPv, " \n");
    pidstr = py::concat(pidstr, line(vf::kIname, vf::kIv, " \n"));
    pidstr = py::concat(pidstr, line(vf::kDname, vf::kDv, ""));
    set_item(result, vf::kPidstr, pidstr);
    if (!contains(result, nb::str(vf::kLatex))) set_item(result, vf::kLatex, py::str_of(""));
    return result;
}

constexpr const char* kFormDoc =
    "(p, i, d, np, ni, nd, oprange, sprange, piOnly, unit) -> dict\n\n"
    "One vendor's parameter form of a PID controller given as interacting\n"
    "(p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative\n"
    "time: the vendor's names pname, iname, dname and the texts pv, iv, dv\n"
    "(three decimals, with the unit), plus pidequ and latex for the forms that\n"
    "have a formula. oprange and sprange are the output and set-point spans of\n"
    "the range-scaled forms; a truthy piOnly gives the zero derivative text.";

template <std::size_t... K>
void def_forms(nb::class_<VendorForms>& cls, std::index_sequence<K...>) {
    (cls.def(vf::kVendorForms[K].method.data(), &form_method<K>, "p"_a, "i"_a, "d"_a, "np"_a, "ni"_a, "nd"_a,
             "oprange"_a, "sprange"_a, "piOnly"_a, "unit"_a, kFormDoc),
     ...);
}

}  // namespace

NB_MODULE(vendorforms, m) {
    py::init_module(m);
    nb::class_<VendorForms> cls(m, "VendorForms", nb::dynamic_attr(),
                                "VendorForms()\n\n"
                                "The 33 vendor display names of controller types, their PID form codes and\n"
                                "the vendors' parameter forms. `adapters` maps each display name to the\n"
                                "bound form method of this object.");
    cls.def("__init__", &init);
    cls.def("get_controller_type", &get_controller_type, "dcstype"_a,
            "get_controller_type(dcstype) -> str\n\n"
            "The PID form code of a display name (exactly a str); an unknown name\n"
            "raises ValueError.");
    def_forms(cls, std::make_index_sequence<vf::kVendorForms.size()>{});
    cls.def("calculate", &calculate, "dcstype"_a, "p"_a, "i"_a, "d"_a, "np"_a, "ni"_a, "nd"_a, "oprange"_a,
            "sprange"_a, "piOnly"_a, "unit"_a,
            "calculate(dcstype, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit) -> dict | None\n\n"
            "The vendor form of the display name dcstype, with pidstr (the three\n"
            "parameters as text) and latex (empty where the form has no formula)\n"
            "appended; None when dcstype is not a key of adapters. A truthy piOnly\n"
            "puts np, ni, nd in place of p, i, d.");
}
