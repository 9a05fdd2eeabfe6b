// vantrelpid.jumpcheck: a continuous model with dead time validated against
// one logged input and output record.

#include <string>

#include "support/module.hpp"
#include "support/signals.hpp"
#include "support/slice_table.hpp"
#include "vantrelpid/sim/jumpcheck.hpp"

namespace py = vantrelpid::py;
using vantrelpid::IntegratingFlag;

namespace {

// One logged signal: an N x 1 column, or a one-dimensional record taken as one.
vantrelpid::Vector record(nb::handle obj, const char* name) {
    nb::object a = py::asarray(obj);
    py::require_real(a, name);
    const int nd = py::ndim(a);
    if (nd != 1 && !(nd == 2 && py::shape(a)[1] == 1)) py::raise_value_error(std::string(name) + " must be an N x 1 column");
    return py::vector_from(a);
}

nb::tuple jumpcheck(nb::handle Ac, nb::handle Bc, nb::handle Delayc, nb::handle Ts, nb::handle U, nb::handle Y,
                    nb::handle CV_INT, nb::handle CVslice) {
    vantrelpid::ValidationData in;
    in.Ac = py::polynomial(Ac, "Ac");
    in.Bc = py::polynomial(Bc, "Bc");
    in.Delayc = py::float_arg(Delayc, "Delayc");
    in.Ts = py::float_arg(Ts, "Ts");
    in.U = record(U, "U");
    in.Y = record(Y, "Y");
    in.flag = py::integrating_flag(CV_INT);
    in.slice_table = [&] { return py::slice_table(CVslice, nb::int_(0)); };
    const py::PythonSignals signals;
    in.cancel = signals;
    const bool integrating = in.flag == IntegratingFlag::Integrating;
    const vantrelpid::ModelValidation r = vantrelpid::jumpcheck(std::move(in));
    return nb::make_tuple(py::array1d(r.Stepres), integrating ? py::array1d(r.Ysim) : py::column(r.Ysim),
                          py::float64(r.Yerror));
}

}  // namespace

NB_MODULE(jumpcheck, m) {
    py::init_module(m);
    nb::module_::import_("vantrelpid.tools.segmask");
    nb::module_::import_("vantrelpid.tools.checkclean");
    m.def("jumpcheck", &jumpcheck, "Ac"_a, "Bc"_a, "Delayc"_a, "Ts"_a, "U"_a, "Y"_a, "CV_INT"_a, "CVslice"_a,
          "jumpcheck(Ac, Bc, Delayc, Ts, U, Y, CV_INT, CVslice) -> (Stepres, Ysim, Yerror)\n\n"
          "Validate the continuous model Bc(s)/Ac(s) e^(-Delayc s) (descending powers of s) against\n"
          "the logged input U and output Y (N x 1 columns, or one-dimensional), sampled every Ts\n"
          "time units. The dead time counts round(Delayc / Ts) samples. CV_INT == 1 marks an\n"
          "integrating output: Bc/Ac is then the model without its integrator 1/s and is compared\n"
          "with the changes of Y per sample. CVslice[0] lists [first, last] sample stretches not to\n"
          "use. Stepres: the model's step response with its dead time (3000 samples). Ysim: the\n"
          "model driven by U on the level of Y (N x 1; one-dimensional for an integrating output,\n"
          "starting on Y[0]). Yerror: 100 var(error) / var(output) in percent, of the high-pass\n"
          "filtered signals over the selected samples. No random draws.");
}
