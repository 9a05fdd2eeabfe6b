// vantrelpid.tracksim: closed-loop step responses of a PID loop, with the plant's step and frequency responses.

#include "support/closed_loop_args.hpp"
#include "support/module.hpp"
#include "support/signals.hpp"
#include "vantrelpid/sim/tracksim.hpp"

namespace py = vantrelpid::py;
namespace sim = vantrelpid::sim;

namespace {

nb::object results(const sim::TracksimResult& r) {
    switch (r.outcome) {
        case sim::TracksimOutcome::Refused:
            return nb::make_tuple(nb::none(), nb::none(), nb::none(), nb::none(), nb::none(), nb::none());
        case sim::TracksimOutcome::Unstable: return nb::str(sim::kStatusUnstable);
        case sim::TracksimOutcome::Simulated: break;
    }
    return nb::make_tuple(py::array1d(r.Ysp), py::array1d(r.Usp), py::array1d(r.Yld), py::array1d(r.Uld),
                          py::array1d(r.StepRes), py::array1d(r.FreqRes));
}

nb::object tracksim(nb::handle Apc, nb::handle Bpc, nb::handle Delay, nb::handle INT, nb::handle PID,
                    nb::handle Type, nb::handle Ts, nb::handle w, nb::handle SPLLAG) {
    // The PID checks before any other argument is read.
    const std::optional<py::PidItems> pid = py::pid_of_three(PID);
    if (!pid || py::pid_refusal(*pid)) return results({});
    const std::string type = py::form_code(Type);
    sim::TracksimInput in;
    in.pid = py::pid_values(*pid);
    in.Type = type;
    in.Apc = py::polynomial(Apc, "Apc");
    in.Bpc = py::polynomial(Bpc, "Bpc");
    in.Delay = py::float_arg(Delay, "Delay");
    in.integrating = py::equals(INT, 1);
    in.Ts = py::float_arg(Ts, "Ts");
    in.w = py::vector(w);
    if (sim::reads_spllag(type)) in.SPLLAG = py::float_arg(SPLLAG, "SPLLAG");
    const py::PythonSignals signals;
    in.cancel = signals;
    return results(sim::tracksim(in));
}

}  // namespace

NB_MODULE(tracksim, m) {
    py::init_module(m);
    m.def("tracksim", &tracksim, "Apc"_a, "Bpc"_a, "Delay"_a, "INT"_a, "PID"_a, "Type"_a, "Ts"_a, "w"_a, "SPLLAG"_a,
          "tracksim(Apc, Bpc, Delay, INT, PID, Type, Ts, w, SPLLAG)\n"
          "    -> (Ysp, Usp, Yld, Uld, StepRes, FreqRes)\n\n"
          "Closed-loop step responses of the PID loop around Bpc(s)/Apc(s) e^(-Delay s)\n"
          "(descending powers of s; times 1/s when INT == 1), sampled every Ts with the dead time\n"
          "floored to whole samples, and the plant's own responses without the integrator. PID =\n"
          "[K, Ti, Td]; Type: one of the ten PID form codes (see loopsim); SPLLAG: set-point\n"
          "lead-to-lag ratio of the Fox codes, read for those only. Ysp, Usp: PV and controller\n"
          "output after a unit set-point step; Yld: PV after a unit load step at the plant input;\n"
          "Uld: the signal entering the plant for it; StepRes: the held plant's step response\n"
          "with the dead time rounded to whole samples (3000 samples each); FreqRes: the held\n"
          "plant's amplitude at w (radians per sample).\n\n"
          "A refused PID (not three values, K == 0, Ti < 0, Td < 0, checked before anything else\n"
          "is read) gives six None; a one-degree-of-freedom loop (\"Nonint A\", \"Int A\") whose Ysp\n"
          "diverges gives the text \"Closed-loop system unstable! Increase Tcl\" instead of the\n"
          "tuple. An unknown Type raises ValueError \"PID type unknown\", and so does (with its own\n"
          "message) Apc or Bpc with more than one row and more than one column.");
}
