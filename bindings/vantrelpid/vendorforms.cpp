// vantrelpid.vendorforms: the class VendorForms, which maps vendor display
// names of controller types to PID form codes and writes a tuned PID
// controller in each vendor's parameter form.
//
// The display names, the forms' data and their derivations are the core's
// (vantrelpid/facade/vendorforms.hpp). Here the derivations run on the
// caller's own objects with the interpreter's arithmetic, and the texts come
// from Python's formatting (support/pyarith.hpp): ints, bools, floats and
// numpy scalars give exactly what the same expressions give in Python.

#include <memory>
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

// The Python strings of every fixed text, made once when the module is made:
// building a str from C text costs more than the formatting it serves. The
// class object owns them (a keep-alive callback frees them with it); `texts`
// only borrows them.
struct FormTexts {
    nb::str method, pname, iname, dname, gain_format, integral_suffix, derivative_suffix, zero_format, pidequ, latex;
};
struct Texts {
    nb::str pname, iname, dname, pv, iv, pidequ, latex, dv, pidstr;  // the keys
    nb::str adapters, lower, startswith, s, minutes, unit_piece, tenths, fixed3, blank, equals, line_end, empty;
    std::array<FormTexts, vf::kVendorForms.size()> forms;
    std::array<nb::str, vf::kDisplayNames.size()> names, codes, name_methods;
};
const Texts* texts = nullptr;

nb::str interned(std::string_view text) {
    nb::str s = py::str_of(text);
    PyObject* p = s.release().ptr();
    PyUnicode_InternInPlace(&p);
    return nb::steal<nb::str>(p);
}

void make_texts(nb::handle owner) {
    auto t = std::make_unique<Texts>(Texts{
        interned(vf::kPname), interned(vf::kIname), interned(vf::kDname), interned(vf::kPv), interned(vf::kIv),
        interned(vf::kPidequ), interned(vf::kLatex), interned(vf::kDv), interned(vf::kPidstr),
        interned("adapters"), interned("lower"), interned("startswith"), interned("s"), interned(vf::kMinutes),
        interned(vf::kUnitPiece), interned(vf::kTenths), interned(".3f"), interned(" "), interned(" = "),
        interned(" \n"), interned(""), {}, {}, {}, {}});
    for (std::size_t k = 0; k < vf::kVendorForms.size(); ++k) {
        const vf::VendorForm& f = vf::kVendorForms[k];
        t->forms[k] = {interned(f.method), interned(f.pname), interned(f.iname), interned(f.dname),
                       interned(f.gain_format), interned(f.integral_suffix), interned(f.derivative_suffix),
                       interned(f.zero_format), interned(f.pidequ), interned(f.latex)};
    }
    for (std::size_t k = 0; k < vf::kDisplayNames.size(); ++k) {
        t->names[k] = interned(vf::kDisplayNames[k].name);
        t->codes[k] = interned(vf::kDisplayNames[k].code);
        t->name_methods[k] = interned(vf::kDisplayNames[k].method);
    }
    Texts* owned = t.release();
    texts = owned;
    nb::keep_alive_cb(owner, owned, [](void* p) noexcept {
        if (texts == p) texts = nullptr;
        delete static_cast<Texts*>(p);
    });
}

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

void set_item(nb::handle mapping, nb::handle key, nb::handle value) {
    if (PyObject_SetItem(mapping.ptr(), key.ptr(), value.ptr()) != 0) throw nb::python_error();
}

// text += tail, as Python's str concatenation does it.
void append(nb::str& text, nb::handle tail) {
    PyObject* p = text.release().ptr();
    PyUnicode_Append(&p, tail.ptr());
    if (p == nullptr) throw nb::python_error();
    text = nb::steal<nb::str>(p);
}

nb::object call_method(nb::handle obj, nb::handle name, nb::handle arg = nb::handle()) {
    PyObject* r = arg ? PyObject_CallMethodOneArg(obj.ptr(), name.ptr(), arg.ptr())
                      : PyObject_CallMethodNoArgs(obj.ptr(), name.ptr());
    if (r == nullptr) throw nb::python_error();
    return nb::steal(r);
}

// F(value), a blank, the unit piece's text and the suffix.
nb::str time_text(const py::Number& value, nb::handle unit_text, const nb::str& suffix) {
    nb::str text = py::format(value.object(), texts->fixed3);
    append(text, texts->blank);
    append(text, unit_text);
    append(text, suffix);
    return text;
}

// One vendor form method: the dictionary pname, iname, dname, pv, iv,
// [pidequ], [latex], dv.
nb::dict form_result(std::size_t k, const FormArguments& a) {
    const vf::VendorForm& form = vf::kVendorForms[k];
    const FormTexts& ft = texts->forms[k];
    nb::dict result;
    set_item(result, texts->pname, ft.pname);
    set_item(result, texts->iname, ft.iname);
    set_item(result, texts->dname, ft.dname);

    nb::object unit_piece;  // what the zero text formats
    bool in_minutes = false;
    switch (form.unit_rule) {
        case vf::UnitRule::AsGiven: unit_piece = nb::borrow(a.unit); break;
        case vf::UnitRule::Tenths: unit_piece = texts->tenths; break;
        case vf::UnitRule::Minutes: {
            nb::object lowered = call_method(a.unit, texts->lower);
            in_minutes = py::truth(call_method(lowered, texts->startswith, texts->s));
            unit_piece = py::percent(texts->unit_piece, in_minutes ? nb::handle(texts->minutes) : a.unit);
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

    set_item(result, texts->pv, py::percent(ft.gain_format, v.gain.object()));
    set_item(result, texts->iv, time_text(v.integral, unit_text, ft.integral_suffix));
    if (!form.pidequ.empty()) set_item(result, texts->pidequ, ft.pidequ);
    if (!form.latex.empty()) set_item(result, texts->latex, ft.latex);
    set_item(result, texts->dv,
             py::truth(a.pi_only) ? py::percent(ft.zero_format, unit_piece)
                                  : time_text(v.derivative, unit_text, ft.derivative_suffix));
    return result;
}

template <std::size_t K>
nb::dict form_method(Self, nb::handle p, nb::handle i, nb::handle d, nb::handle np, nb::handle ni, nb::handle nd,
                     nb::handle oprange, nb::handle sprange, nb::handle piOnly, nb::handle unit) {
    return form_result(K, {p, i, d, np, ni, nd, oprange, sprange, piOnly, unit});
}

void init(Self self) {
    new (self.p) VendorForms();
    nb::dict adapters;
    for (std::size_t k = 0; k < vf::kDisplayNames.size(); ++k) {
        PyObject* method = PyObject_GetAttr(self.h.ptr(), texts->name_methods[k].ptr());
        if (method == nullptr) throw nb::python_error();
        set_item(adapters, texts->names[k], nb::steal(method));
    }
    if (PyObject_SetAttr(self.h.ptr(), texts->adapters.ptr(), adapters.ptr()) != 0) throw nb::python_error();
}

nb::object adapters_of(const Self& self) {
    PyObject* adapters = PyObject_GetAttr(self.h.ptr(), texts->adapters.ptr());
    if (adapters == nullptr) throw nb::python_error();
    return nb::steal(adapters);
}

nb::object get_controller_type(Self self, nb::handle dcstype) {
    py::require_exact_type(dcstype, &PyUnicode_Type, "dcstype", "str");
    if (!contains(adapters_of(self), dcstype)) {
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
    return texts->codes[static_cast<std::size_t>(row - vf::kDisplayNames.data())];
}

nb::object calculate(Self self, nb::handle dcstype, nb::handle p, nb::handle i, nb::handle d, nb::handle np,
                     nb::handle ni, nb::handle nd, nb::handle oprange, nb::handle sprange, nb::handle piOnly,
                     nb::handle unit) {
    nb::object adapters = adapters_of(self);
    if (!contains(adapters, dcstype)) return nb::none();
    if (py::truth(piOnly)) {
        p = np;
        i = ni;
        d = nd;
    }
    nb::object method = get_item(adapters, dcstype);
    nb::object result = method(p, i, d, np, ni, nd, oprange, sprange, piOnly, unit);

    // str(pname) + " = " + str(pv) + " \n" + ..., one line at a time.
    nb::str pidstr = texts->empty;
    const auto line = [&](const nb::str& name, const nb::str& value, bool last) {
        append(pidstr, py::text(get_item(result, name)));
        append(pidstr, texts->equals);
        append(pidstr, py::text(get_item(result, value)));
        if (!last) append(pidstr, texts->line_end);
    };
    line(texts->pname, texts->pv, false);
    line(texts->iname, texts->iv, false);
    line(texts->dname, texts->dv, true);
    set_item(result, texts->pidstr, pidstr);
    if (!contains(result, texts->latex)) set_item(result, texts->latex, texts->empty);
    return result;
}

constexpr const char* kFormDoc =
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
    make_texts(cls);
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
