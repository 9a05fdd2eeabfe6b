// vantrelpid.knobsfeed: lead-lag feedforward compensators of the measured disturbances.

#include "support/module.hpp"
#include "vantrelpid/tune/knobsfeed.hpp"

namespace py = vantrelpid::py;

namespace {

// Python's `max(CV_INT) == 1`: the built-in over the flat sequence (an empty
// one raises ValueError), compared by equality, so 1.0 and True count.
bool any_integrating(nb::handle CV_INT) {
    nb::object largest = nb::module_::import_("builtins").attr("max")(CV_INT);
    return py::equals(largest, 1);
}

nb::tuple knobsfeed(nb::handle Tau_1, nb::handle Gain_1, nb::handle Delayc, nb::handle CV_INT) {
    nb::object tau = py::asarray(Tau_1), gain = py::asarray(Gain_1), delay = py::asarray(Delayc);
    if (py::shape(tau) != py::shape(gain) || py::shape(tau) != py::shape(delay))
        py::raise_value_error(vantrelpid::kFeedforwardShapes);
    if (py::ndim(tau) != 2) py::raise_value_error("Input matrices must be two-dimensional");
    const vantrelpid::FeedforwardDesign ff =
        vantrelpid::knobsfeed(py::matrix_from(tau), py::matrix_from(gain), py::matrix_from(delay),
                              [&] { return any_integrating(CV_INT); });
    nb::str message(ff.Message.c_str());
    if (!ff.designed) return nb::make_tuple(nb::none(), nb::none(), nb::none(), nb::none(), message);
    return nb::make_tuple(py::array(ff.K_ff), py::array(ff.Tau_lag_ff), py::array(ff.Tau_lead_ff),
                          py::array(ff.Delayc_ff), message);
}

}  // namespace

NB_MODULE(knobsfeed, m) {
    py::init_module(m);
    m.def("knobsfeed", &knobsfeed, "Tau_1"_a, "Gain_1"_a, "Delayc"_a, "CV_INT"_a,
          "knobsfeed(Tau_1, Gain_1, Delayc, CV_INT)\n"
          "    -> (K_ff, Tau_lag_ff, Tau_lead_ff, Delayc_ff, Message)\n\n"
          "Feedforward compensators K_ff (Tau_lead_ff s + 1) e^(-Delayc_ff s)/(Tau_lag_ff s + 1)\n"
          "for every loop i and measured disturbance j, from the first-order pair models\n"
          "(ny x nu time constants Tau_1, gains Gain_1, dead times Delayc; inputs 0..ny-1 are\n"
          "the loops' own, inputs ny + j the disturbances): K_ff = 0.88 Gain_1[i, ny+j] /\n"
          "Gain_1[i, i], Tau_lag_ff = max(Tau_1[i, ny+j], Tau_1[i, i]/3), Tau_lead_ff =\n"
          "Tau_1[i, i], Delayc_ff = max(0, Delayc[i, ny+j] - Delayc[i, i]). The results are\n"
          "float64 arrays of shape (ny, nu - ny); row j of each loop's [K_ff, Tau_lag_ff,\n"
          "Tau_lead_ff, Delayc_ff] is feedforward parameter row j. Message \"OK\"; with nu ==\n"
          "ny or max(CV_INT) == 1 the four arrays are None and Message says why. Matrices of\n"
          "different shapes raise ValueError \"Input matrices must have the same dimensions\".");
}
