// vantrelpid.loopsim: closed-loop step responses and robustness curve of a PID loop.

#include <nanobind/stl/string.h>

#include <optional>
#include <string>

#include "support/closed_loop_args.hpp"
#include "support/module.hpp"
#include "support/signals.hpp"
#include "vantrelpid/sim/loopsim.hpp"

namespace py = vantrelpid::py;
namespace sim = vantrelpid::sim;

namespace {

constexpr const char* kStatusPidLength = "PID parameters should be a list of three elements";

nb::object optional_array(const std::optional<vantrelpid::Vector>& x) {
    return x ? py::array1d(*x) : nb::none();
}

nb::tuple results(const sim::LoopsimResult& r) {
    return nb::make_tuple(optional_array(r.Ysp), optional_array(r.Usp), optional_array(r.Yld),
                          optional_array(r.Uld), optional_array(r.Robust), r.Message);
}

nb::tuple refused(const std::string& message) { return results(sim::LoopsimResult{{}, {}, {}, {}, {}, message}); }

// A Python error while the arguments are read: a failed simulation.
nb::tuple failed(const nb::python_error& e) {
    return refused(std::string(sim::kSimulationFailed) + nb::str(e.value()).c_str());
}

nb::tuple loopsim(nb::handle Apc, nb::handle Bpc, nb::handle Delay, nb::handle BND, nb::handle INT, nb::handle PID,
                  nb::handle Type, nb::handle Ts, nb::handle w, nb::handle SPLLAG, nb::handle Tauf) {
    const std::optional<py::PidItems> pid = py::pid_of_three(PID);
    if (!pid) return refused(kStatusPidLength);
    // The checks compare as Python compares (an array K of several values has
    // no truth value and raises); K itself is read as a number inside the guard.
    if (auto refusal = py::pid_refusal(*pid)) return refused(*refusal);

    // The arguments are read inside the guard too: a Python error there is a
    // failed simulation, as any later one. A matrix given as a polynomial is
    // no simulation's failure: its error passes.
    const std::string type = py::form_code(Type);
    sim::LoopsimInput in;
    in.Type = type;
    try {
        in.pid = py::pid_values(*pid);
        in.Apc = py::polynomial(Apc, "Apc");
        in.Bpc = py::polynomial(Bpc, "Bpc");
        in.Delay = py::float_arg(Delay, "Delay");
        in.BND = py::vector(BND);
        in.integrating = py::equals(INT, 1);
        in.Ts = py::float_arg(Ts, "Ts");
        in.w = py::vector(w);
        if (sim::reads_spllag(type)) in.SPLLAG = py::float_arg(SPLLAG, "SPLLAG");
        in.Tauf = py::float_arg(Tauf, "Tauf");
    } catch (nb::python_error& e) {
        return failed(e);
    }
    const py::PythonSignals signals;
    in.cancel = signals;
    return results(sim::loopsim(in));
}

}  // namespace

NB_MODULE(loopsim, m) {
    py::init_module(m);
    m.def("loopsim", &loopsim, "Apc"_a, "Bpc"_a, "Delay"_a, "BND"_a, "INT"_a, "PID"_a, "Type"_a, "Ts"_a, "w"_a,
          "SPLLAG"_a, "Tauf"_a,
          "loopsim(Apc, Bpc, Delay, BND, INT, PID, Type, Ts, w, SPLLAG, Tauf)\n"
          "    -> (Ysp, Usp, Yld, Uld, Robust, Message)\n\n"
          "Closed-loop step responses of the PID loop around Bpc(s)/Apc(s) e^(-Delay s)\n"
          "(descending powers of s; times 1/s when INT == 1), with the PV filter 1/(Tauf s + 1)\n"
          "(Tauf = 0: none), sampled every Ts with the dead time floored to whole samples. PID =\n"
          "[K, Ti, Td]; Type: one of \"Nonint A\", \"Int A\", \"Nonint B\", \"Int B\", \"Nonint PonP\n"
          "DonE\", \"Int PonP DonE\", \"Nonint C\", \"Int C\", \"Fox Nonint\", \"Fox Int\"; SPLLAG:\n"
          "set-point lead-to-lag ratio of the Fox codes, read for those only. Ysp, Usp: PV and\n"
          "controller output after a unit set-point step; Yld: PV after a unit load step at the\n"
          "plant input; Uld: the signal entering the plant for it (3000 samples each). Robust =\n"
          "BND |C / (1 + L)| at w (radians per sample), C the controller's PV path and L the open\n"
          "loop, divided by w when INT == 1: below 1 where the loop stays stable under a model\n"
          "error of amplitude BND.\n\n"
          "Message: \"OK\"; a refused PID (\"PID parameters should be a list of three elements\", \"K\n"
          "is 0\", \"Ti is negative\", \"Td is negative\", checked before anything else is read) or\n"
          "\"Closed-loop system unstable! Increase Tcl\" with five None; \"Simulation failed:\n"
          "<error>\" with the results computed before the error (an unknown Type: \"Simulation\n"
          "failed: PID type unknown\"; a K that is no number: \"Simulation failed: K must be of\n"
          "type float, not <type>\"). Apc or Bpc with more than one row and more than one column\n"
          "raises ValueError.");
}
