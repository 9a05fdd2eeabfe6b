// vantrelpid.twotier: the model an outer cascade controller sees, reduced to
// a low-order continuous model with dead time.

#include <cmath>
#include <string>
#include <vector>

#include "support/closed_loop_args.hpp"
#include "support/module.hpp"
#include "support/signals.hpp"
#include "vantrelpid/tune/twotier.hpp"

namespace py = vantrelpid::py;
using vantrelpid::Index;

namespace {

bool is_real_kind(char kind) { return kind == 'f' || kind == 'i' || kind == 'u' || kind == 'b'; }

// A number, or an array of one number (a 1 x 1 delay matrix).
double number(nb::handle obj, const char* name) {
    nb::object a = py::asarray(obj);
    if (nb::cast<Index>(a.attr("size")) != 1 || !is_real_kind(py::dtype_kind(a)))
        py::raise_type_error(std::string(name) + " must be a real number");
    return py::float_arg(a.attr("item")(), name);
}

// Polynomials, records and frequency-wise values, flat or as columns.
vantrelpid::Vector values(nb::handle obj, const char* name) {
    nb::object a = py::asarray(obj);
    py::require_real(a, name);
    return py::vector_from(a);
}

// CV_INT1: a number, [flag] or a 1 x 1 array, compared as Python compares it.
bool integrating(nb::handle CV_INT1) {
    nb::object a = py::asarray(CV_INT1);
    if (nb::cast<Index>(a.attr("size")) == 1) {
        nb::object flag = a.attr("item")();
        if (py::equals(flag, 1)) return true;
        if (py::equals(flag, 0)) return false;
    }
    py::raise_value_error("CV_INT1 must be 0 or 1");
}

// K, Ti, Td = PID2: exactly three values, not validated.
vantrelpid::sim::PidParameters pid_parameters(nb::handle PID2) {
    const char* message = "PID2 must hold three values [K, Ti, Td]";
    PyObject* it = PyObject_GetIter(PID2.ptr());
    if (it == nullptr) {
        PyErr_Clear();
        py::raise_value_error(message);
    }
    nb::object iterator = nb::steal(it);
    std::vector<nb::object> v;
    while (v.size() <= 3) {
        PyObject* item = PyIter_Next(it);
        if (item == nullptr) break;
        v.push_back(nb::steal(item));
    }
    if (PyErr_Occurred()) throw nb::python_error();
    if (v.size() != 3) py::raise_value_error(message);
    return {number(v[0], "K"), number(v[1], "Ti"), number(v[2], "Td")};
}

// Delaycas as the reduction's binding gives it: int64 for a whole Ts1 (the
// delay d1 is whole), float64 otherwise.
nb::object delay_matrix(double Delaycas, double Ts1) {
    if (Ts1 == std::floor(Ts1)) {
        const vantrelpid::IntMatrix d = vantrelpid::IntMatrix::Constant(1, 1, std::llround(Delaycas));
        return py::array(d);
    }
    const vantrelpid::Matrix d = vantrelpid::Matrix::Constant(1, 1, Delaycas);
    return py::array(d);
}

nb::tuple results(const vantrelpid::CascadeModel& r, double Ts1) {
    nb::list out;
    if (!r.reduced) {
        for (int k = 0; k < 13; ++k) out.append(nb::list());
        out[4] = py::column(r.FRQcas);
        out[5] = py::column(r.BNDcas);
    } else {
        for (nb::object v : {py::array1d(r.Acas), py::array1d(r.Bcas), delay_matrix(r.Delaycas, Ts1),
                             py::array(r.STPcas), py::column(r.FRQcas), py::column(r.BNDcas), py::array1d(r.Acas_tn),
                             py::array1d(r.Bcas_tn), py::array1d(r.Acas_1), py::array1d(r.Bcas_1),
                             py::array(r.STPcas_1), py::column(r.FRQcas_1), py::column(r.BNDcas_1)})
            out.append(v);
    }
    out.append(nb::str(r.Message.c_str()));
    return nb::tuple(out);
}

nb::tuple twotier(nb::handle Ac1, nb::handle Bc1, nb::handle CV_INT1, nb::handle Delayc1, nb::handle BND1,
                  nb::handle Ts1, nb::handle Ac2, nb::handle Bc2, nb::handle Delayc2, nb::handle PID2,
                  nb::handle Type2, nb::handle w, nb::handle SPLLAG2, nb::handle MVdata1, nb::handle SPdata2) {
    vantrelpid::CascadeInput in;
    in.integrating = integrating(CV_INT1);
    in.Ac1 = values(py::polynomial_array(Ac1, "Ac1"), "Ac1");
    in.Bc1 = values(py::polynomial_array(Bc1, "Bc1"), "Bc1");
    in.Delayc1 = number(Delayc1, "Delayc1");
    in.BND1 = values(BND1, "BND1");
    in.Ts1 = number(Ts1, "Ts1");
    in.Ac2 = values(py::polynomial_array(Ac2, "Ac2"), "Ac2");
    in.Bc2 = values(py::polynomial_array(Bc2, "Bc2"), "Bc2");
    in.Delayc2 = number(Delayc2, "Delayc2");
    in.PID2 = pid_parameters(PID2);
    in.Type2 = py::form_code(Type2);  // a non-str or lone surrogates: no code matches
    in.w = values(w, "w");
    if (vantrelpid::sim::reads_spllag(in.Type2)) in.SPLLAG2 = number(SPLLAG2, "SPLLAG2");
    in.MVdata1 = values(MVdata1, "MVdata1");
    in.SPdata2 = values(SPdata2, "SPdata2");
    const py::PythonSignals signals;
    in.cancel = signals;
    py::NumpyRandom random;
    py::PythonWarnings warnings;
    return results(vantrelpid::twotier(in, random, warnings), in.Ts1);
}

}  // namespace

NB_MODULE(twotier, m) {
    py::init_module(m);
    nb::module_::import_("vantrelpid.tools.pairtrim");
    m.def("twotier", &twotier, "Ac1"_a, "Bc1"_a, "CV_INT1"_a, "Delayc1"_a, "BND1"_a, "Ts1"_a, "Ac2"_a, "Bc2"_a,
          "Delayc2"_a, "PID2"_a, "Type2"_a, "w"_a, "SPLLAG2"_a, "MVdata1"_a, "SPdata2"_a,
          "twotier(Ac1, Bc1, CV_INT1, Delayc1, BND1, Ts1, Ac2, Bc2, Delayc2, PID2, Type2, w, SPLLAG2,\n"
          "        MVdata1, SPdata2)\n"
          "    -> (Acas, Bcas, Delaycas, STPcas, FRQcas, BNDcas, Acas_tn, Bcas_tn, Acas_1, Bcas_1,\n"
          "        STPcas_1, FRQcas_1, BNDcas_1, Message)\n\n"
          "The model an outer cascade controller sees: the inner process Bc2(s)/Ac2(s) e^(-Delayc2 s)\n"
          "closed with its PID controller PID2 = [K, Ti, Td] of form Type2 (SPLLAG2: set-point\n"
          "lead-to-lag ratio of the Fox forms), in series with the outer process Bc1(s)/Ac1(s)\n"
          "e^(-Delayc1 s), whose model has the error bound BND1 at the frequencies w (radians per\n"
          "sample). Built in discrete time at the sample time Ts1 (dead times rounded down to whole\n"
          "samples, the inner one at most 1000), checked for stability and reduced to a continuous\n"
          "model of order 1 or 2.\n"
          "CV_INT1 == 1 marks an integrating outer CV (the integrator 1/s follows Bc1/Ac1).\n"
          "MVdata1, SPdata2: records of the outer controller's output and the inner set-point; the\n"
          "numerators are scaled by std(SPdata2) / std(MVdata1).\n"
          "Acas, Bcas: reduced model (Acas ending in 1, Bcas starting with 0) with dead time\n"
          "Delaycas (1 x 1); STPcas, STPcas_1: step responses (3000 x 1); FRQcas, BNDcas: amplitude\n"
          "and error bound of the full model over w; Acas_tn, Bcas_tn: tuning model; Acas_1 = [T, 1],\n"
          "Bcas_1 = [0, gain]: first-order model, with FRQcas_1 and BNDcas_1 (the bound widened by\n"
          "its distance to the reduced model); frequency-wise results are (len(w), 1) columns.\n"
          "Message: \"ok\", or \"Secondary (inner) loop unstable\" with FRQcas and BNDcas set and the\n"
          "other results []. Draws from numpy's global generator (the reduction's validation\n"
          "sequence).");
}
