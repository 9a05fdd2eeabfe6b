// vantrelpid.feedsim: a PID loop against steps of its measured disturbances, with and without feedforward.

#include <nanobind/stl/string.h>

#include "support/closed_loop_args.hpp"
#include "support/module.hpp"
#include "support/signals.hpp"
#include "vantrelpid/sim/feedsim.hpp"

namespace py = vantrelpid::py;
namespace sim = vantrelpid::sim;

namespace {

// The compensator rows, two-dimensional as FF[i, k] indexes them.
vantrelpid::Matrix feedforward_rows(nb::handle FF) {
    nb::object a = py::asarray(FF);
    if (py::ndim(a) != 2) {
        py::raise_index_error("too many indices for array: array is " + std::to_string(py::ndim(a)) +
                              "-dimensional, but 2 were indexed");
    }
    return py::matrix_from(a);
}

// The models and the sampling, read after the refusals (SPLLAG for the Fox codes only).
sim::FeedsimModel model(nb::handle Apc_tn, nb::handle Bpc_tn, nb::handle Delayc, nb::handle Tau_1,
                        nb::handle Gain_1, nb::handle FF, nb::handle Ts, nb::handle SPLLAG, std::string_view type) {
    sim::FeedsimModel m{py::polynomial(Apc_tn, "Apc_tn"), py::polynomial(Bpc_tn, "Bpc_tn"), py::vector(Delayc),
                        py::matrix(Tau_1, "Tau_1"), py::vector(Gain_1), feedforward_rows(FF)};
    m.Ts = py::float_arg(Ts, "Ts");
    if (sim::reads_spllag(type)) m.SPLLAG = py::float_arg(SPLLAG, "SPLLAG");
    return m;
}

// A refusal: four empty lists and its status.
nb::tuple refused(const std::string& message) {
    return nb::make_tuple(nb::list(), nb::list(), nb::list(), nb::list(), message);
}

nb::tuple feedsim(nb::handle Apc_tn, nb::handle Bpc_tn, nb::handle Delayc, nb::handle Tau_1, nb::handle Gain_1,
                  nb::handle CV_INT, nb::handle PID, nb::handle Type, nb::handle FF, nb::handle Ts,
                  nb::handle SPLLAG) {
    // The PID checks before any other argument is read.
    const py::PidItems pid = py::unpack_pid(PID);
    if (auto refusal = py::pid_refusal(pid)) return refused(*refusal);
    const std::string type = py::form_code(Type);
    sim::FeedsimInput in;
    in.pid = py::pid_values(pid);
    in.has_integrators = [&] {
        return py::equals(nb::module_::import_("builtins").attr("max")(CV_INT), 1);
    };
    in.sizes = [&] {
        const auto [ny, nu] = py::shape_of_two(Tau_1);
        return sim::FeedsimSizes{ny, nu};
    };
    in.model = [&] { return model(Apc_tn, Bpc_tn, Delayc, Tau_1, Gain_1, FF, Ts, SPLLAG, type); };
    in.Type = type;
    const py::PythonSignals signals;
    in.cancel = signals;

    const sim::FeedsimResult r = sim::feedsim(in);
    if (!r.simulated) return refused(r.Message);
    return nb::make_tuple(py::array(r.Yff), py::array(r.Uff), py::array(r.Yff0), py::array(r.Uff0), r.Message);
}

}  // namespace

NB_MODULE(feedsim, m) {
    py::init_module(m);
    m.def("feedsim", &feedsim, "Apc_tn"_a, "Bpc_tn"_a, "Delayc"_a, "Tau_1"_a, "Gain_1"_a, "CV_INT"_a, "PID"_a,
          "Type"_a, "FF"_a, "Ts"_a, "SPLLAG"_a,
          "feedsim(Apc_tn, Bpc_tn, Delayc, Tau_1, Gain_1, CV_INT, PID, Type, FF, Ts, SPLLAG)\n"
          "    -> (Yff, Uff, Yff0, Uff0, Message)\n\n"
          "The PID loop around Bpc_tn(s)/Apc_tn(s) e^(-Delayc[0] s) after a unit step of each\n"
          "measured disturbance i, which reaches the output through Gain_1[1 + i] e^(-Delayc[1 +\n"
          "i] s) / (Tau_1[0, 1 + i] s + 1) (Tau_1: 1 x nu), with and without its compensator\n"
          "FF[i] = [K_ff, Tau_lag_ff, Tau_lead_ff, Delayc_ff], K_ff (Tau_lead_ff s + 1)\n"
          "e^(-Delayc_ff s) / (Tau_lag_ff s + 1), subtracted from the controller output; dead\n"
          "times rounded to whole samples (halves to even). PID = [K, Ti, Td]; Type: one of the\n"
          "ten PID form codes (only the PV path acts, so SPLLAG, read for the Fox codes only, has\n"
          "no effect). Yff, Uff: output and manipulated variable with feedforward; Yff0, Uff0:\n"
          "without (3000 x nu - 1 each).\n\n"
          "Message: \"OK\", or \"Closed-loop system unstable! Increase Tcl\" with the arrays; for \"K\n"
          "is 0\", \"Ti is negative\", \"Td is negative\" (checked before anything else is read),\n"
          "\"There are integrators, no feedforward for integral process\", \"Too many FF variables\n"
          "(must <= 2)\", \"No model for FF variable\" and \"Not a single loop process, this function\n"
          "only works for single-loop\" four empty lists. An unknown Type raises ValueError\n"
          "\"Unknown PID type\", and so does (with its own message) Apc_tn or Bpc_tn with more than\n"
          "one row and more than one column.");
}
