// vantrelpid.loopfit: one control loop identified from its OP and PV records.

#include <cmath>
#include <string>

#include "support/call_record.hpp"
#include "support/module.hpp"
#include "support/signals.hpp"
#include "support/slice_table.hpp"
#include "vantrelpid/ident/loopfit.hpp"

namespace py = vantrelpid::py;
using vantrelpid::IntegratingFlag;

namespace {

// The call record, written before anything is checked.
void record_call(nb::handle U, nb::handle Y, nb::handle Delayc_in, nb::handle CV_INT, nb::handle CVslice,
                 nb::handle Tident) {
    nb::dict parameters;
    parameters["U"] = U;
    parameters["Y"] = Y;
    parameters["Delayc_in"] = Delayc_in;
    parameters["CV_INT"] = CV_INT;
    parameters["CVslice"] = CVslice;
    parameters["Tident"] = Tident;
    py::record_call("vantrelpid.loopfit", "loopfit", parameters);
}

// Delayc as the caller gave it, or the found dead time: an integer when the
// sample time is whole, as the reduction reports it.
nb::object dead_time(const vantrelpid::LoopModel& r, nb::handle Delayc_in, double Tident) {
    if (r.delay_source == vantrelpid::DeadTimeSource::Given) return nb::borrow(Delayc_in);
    if (r.delay_source == vantrelpid::DeadTimeSource::Found && Tident == std::floor(Tident))
        return nb::steal(PyLong_FromDouble(r.Delayc));  // exact for any whole double, no cast
    return nb::float_(r.Delayc);
}

nb::tuple results(const vantrelpid::LoopModel& r, nb::handle Delayc_in, double Tident) {
    nb::list out;
    if (!r.identified) {
        for (int k = 0; k < 19; ++k) out.append(nb::none());
    } else {
        for (nb::object v :
             {py::array1d(r.Apc), py::array1d(r.Bpc), dead_time(r, Delayc_in, Tident), py::array(r.STP),
              py::column(r.FRQ), py::column(r.BND), nb::object(nb::str(std::string(1, r.Grade).c_str())),
              py::array1d(r.w), py::array1d(r.Apc_tn), py::array1d(r.Bpc_tn), py::column(r.Ysim),
              nb::object(nb::float_(r.Yerror)), py::array1d(r.Apc1), py::array1d(r.Bpc1), py::array(r.STP1),
              py::column(r.FRQ1), py::column(r.BND1), py::column(r.Ysim1), nb::object(nb::float_(r.Yerror1))})
            out.append(v);
    }
    out.append(nb::str(r.Message.c_str()));
    return nb::tuple(out);
}

nb::tuple loopfit(nb::handle U, nb::handle Y, nb::handle Delayc_in, nb::handle CV_INT, nb::handle CVslice,
                  nb::handle Tident, nb::handle export_file) {
    const int record = PyObject_IsTrue(export_file.ptr());
    if (record < 0) throw nb::python_error();
    if (record == 1) record_call(U, Y, Delayc_in, CV_INT, CVslice, Tident);

    vantrelpid::LoopData in;
    // An array that is not two-dimensional is passed on without columns, for
    // the core's "U must be an N x 1 column".
    in.U = py::real_matrix(U, "U", py::NotTwoD::Empty);
    in.Y = py::real_matrix(Y, "Y", py::NotTwoD::Empty);
    in.Delayc_in = py::float_arg(Delayc_in, "Delayc_in");
    in.Tident = py::float_arg(Tident, "Tident");
    in.slice_table = [&] { return py::slice_table(CVslice, nb::int_(0)); };
    in.flag = [&] { return py::integrating_flag(py::item(CV_INT, 0)); };
    in.propagates = py::is_interruption;
    py::NumpyRandom random;
    py::PythonWarnings warnings;
    return results(vantrelpid::loopfit(in, random, warnings, py::PythonSignals()), Delayc_in, in.Tident);
}

}  // namespace

NB_MODULE(loopfit, m) {
    py::init_module(m, {"vantrelpid.tools.slimfit",
                        "vantrelpid.tools.segmask",
                        "vantrelpid.sanity",
                        "vantrelpid.tools.mimofit",
                        "vantrelpid.tools.deadtime",
                        "vantrelpid.tools.pairtrim"});
    py::load_package_version();
    m.def("loopfit", &loopfit, "U"_a, "Y"_a, "Delayc_in"_a, "CV_INT"_a, "CVslice"_a, "Tident"_a,
          "export_file"_a = false,
          "loopfit(U, Y, Delayc_in, CV_INT, CVslice, Tident, export_file=False)\n"
          "    -> (Apc, Bpc, Delayc, STP, FRQ, BND, Grade, w, Apc_tn, Bpc_tn, Ysim, Yerror,\n"
          "        Apc1, Bpc1, STP1, FRQ1, BND1, Ysim1, Yerror1, Message)\n\n"
          "Identify one loop from its OP record U and PV record Y (N x 1 each, sampled every\n"
          "Tident time units) into a continuous model Bpc(s)/Apc(s) e^(-Delayc s) of order 1 or\n"
          "2 (descending powers of s, Apc ending in 1, Bpc in the gain) and a first-order model\n"
          "Bpc1/Apc1 with the same dead time. Delayc_in < 0 asks for the dead time to be\n"
          "estimated. CV_INT[0] == 1 marks an integrating PV (the integrator 1/s follows the\n"
          "models); CVslice[0] lists [first, last] sample stretches not to use. STP, STP1: step\n"
          "responses (3000 x 1); FRQ, BND, FRQ1, BND1: amplitude and error bound at the 75\n"
          "frequencies w (radians per sample); Grade: \"A\" to \"D\"; Ysim, Ysim1: the models\n"
          "simulated against Y, with error percentages Yerror, Yerror1. Message: \"OK\",\n"
          "\"Delay estimation failed\" (identified with no dead time), or one of \"OP (MV) almost\n"
          "constant!\", \"PV (CV) almost constant!\", \"Data slices too short!\" with the other 19\n"
          "results None. With export_file true the call is first recorded to\n"
          "export/debug/p_loopfit.pkl and m_loopfit.mat.");
}
