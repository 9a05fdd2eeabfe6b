// vantrelpid.knobsmulti: set-point and load PID rows of every loop from its tuning model.

#include "support/module.hpp"
#include "vantrelpid/tune/knobsmulti.hpp"

namespace py = vantrelpid::py;
using vantrelpid::IntegratingFlag;

namespace {

nb::tuple knobsmulti(nb::handle Apc_tn, nb::handle Bpc_tn, nb::handle Delayc, nb::handle CV_INT, nb::handle Tcl) {
    vantrelpid::MultiLoopModels in;
    in.Apc_tn = py::matrix(Apc_tn, "Apc_tn");
    in.Bpc_tn = py::matrix(Bpc_tn, "Bpc_tn");
    in.Delayc = py::matrix(Delayc, "Delayc");
    in.flag = [&](vantrelpid::Index i) { return py::integrating_flag(py::item(CV_INT, i)); };
    in.Tcl = [&](vantrelpid::Index i) { return py::float_arg(py::item(Tcl, i), "Tcl"); };
    const vantrelpid::MultiLoopTuning rows = vantrelpid::knobsmulti(in);
    return nb::make_tuple(py::array(rows.PID_sp), py::array(rows.PID_load));
}

}  // namespace

NB_MODULE(knobsmulti, m) {
    py::init_module(m);
    m.def("knobsmulti", &knobsmulti, "Apc_tn"_a, "Bpc_tn"_a, "Delayc"_a, "CV_INT"_a, "Tcl"_a,
          "knobsmulti(Apc_tn, Bpc_tn, Delayc, CV_INT, Tcl) -> (PID_sp, PID_load)\n\n"
          "PID rows [K, Ti, Td] of the non-interacting form K (1 + 1/(Ti s) + Td s) for every\n"
          "loop i (rows of Apc_tn), tuned for the set-point and for the load response from\n"
          "the loop's tuning model Bpc_tn[i]/Apc_tn[i] (three coefficients in descending\n"
          "powers of s; [a0, a1, 0] and [b0, b1, 0] for a first-order model), the dead time\n"
          "Delayc[i, i], the integrating flag CV_INT[i] (consulted for first-order models:\n"
          "== 1 integrating, == 0 self-regulating) and the closed-loop time constant Tcl[i].\n"
          "Second-order models are tuned by the sign of the numerator time constant and by\n"
          "whether the discriminant of Apc_tn[i] gives real (>= 0) or complex poles. Both\n"
          "results are float64 arrays of shape (ny, 3). Raises ValueError \"Ac and Bc degrees\n"
          "not equal\" when exactly one third coefficient is 0, \"No tuning rule for loop <i>\"\n"
          "for a model that fits no rule, IndexError for a Delayc smaller than ny x ny.");
}
