// vantrelpid.tools.pairtrim: continuous first- and second-order pair models
// with dead time of a stacked discrete model.

#include <cmath>

#include "support/models.hpp"
#include "support/module.hpp"
#include "support/signals.hpp"
#include "vantrelpid/fit/pairtrim.hpp"

namespace py = vantrelpid::py;
using vantrelpid::IntegratingFlag;

namespace {

double sample_time(nb::handle Tident) {
    const double Ts = py::float_arg(Tident, "Tident");
    if (!(std::isfinite(Ts) && Ts > 0.0)) py::raise_value_error("Tident must be a positive, finite sample time");
    return Ts;
}

// The delays broadcast to one per pair, and whether they are integers.
void pair_delays(nb::handle Delay, vantrelpid::Index ny, vantrelpid::Index nu, vantrelpid::PairReductionInput& in) {
    nb::object d = py::asarray(Delay);
    py::reject_complex(d, "Delay");
    const char kind = py::dtype_kind(d);
    if (kind != 'i' && kind != 'u' && kind != 'b' && kind != 'f')
        py::raise_type_error("Delay must hold whole numbers of samples");
    in.integer_delays = kind != 'f';
    nb::object full = py::numpy().attr("broadcast_to")(d, nb::make_tuple(ny, nu));
    in.delay = py::matrix_from(full);
}

nb::tuple pairtrim(nb::handle A, nb::handle B, nb::handle C, nb::handle D, nb::handle ORDS, nb::handle Delay,
                   nb::handle CV_INT, nb::handle Tident) {
    vantrelpid::PairReductionInput in;
    in.model = py::stacked_model(A, B, C, D);
    in.ords = py::model_orders(ORDS);
    in.Ts = sample_time(Tident);
    pair_delays(Delay, in.model.D.rows(), in.model.D.cols(), in);
    in.flag = [CV_INT](vantrelpid::Index i) {
        return py::integrating_flag(py::item(CV_INT, static_cast<std::int64_t>(i)));
    };

    py::NumpyRandom random;
    py::PythonWarnings warnings;
    const vantrelpid::PairReduction r = vantrelpid::pairtrim(in, random, warnings, py::PythonSignals());

    // Whole delays and a whole sample time give integer dead times.
    const bool integral = in.integer_delays && in.Ts == std::floor(in.Ts);
    nb::object Delayc = integral ? py::array(vantrelpid::IntMatrix(r.Delayc.cast<std::int64_t>())) : py::array(r.Delayc);
    return nb::make_tuple(py::array(r.Ac1), py::array(r.Ac2), py::array(r.Ac3), py::array(r.Bc1), py::array(r.Bc2),
                          py::array(r.Bc3), Delayc, py::array(r.ORDER), py::array(r.DENc_tn), py::array(r.NUMc_tn),
                          py::array(r.STP), py::array(r.Ac1_1), py::array(r.Bc1_1), py::array(r.STP1));
}

}  // namespace

NB_MODULE(pairtrim, m) {
    py::init_module(m, {"vantrelpid.tools.slimfit"});
    m.def("pairtrim", &pairtrim, "A"_a, "B"_a, "C"_a, "D"_a, "ORDS"_a, "Delay"_a, "CV_INT"_a, "Tident"_a,
          "pairtrim(A, B, C, D, ORDS, Delay, CV_INT, Tident)\n"
          "    -> (Ac1, Ac2, Ac3, Bc1, Bc2, Bc3, Delayc, ORDER, DENc_tn, NUMc_tn, STP, Ac1_1, Bc1_1, STP1)\n\n"
          "Continuous first- or second-order models with dead time of every input/output pair\n"
          "of the stacked discrete model (A, B, C, D) with per-output orders ORDS, sampled every\n"
          "Tident time units. Delay (samples, 1 = the hold) adds to the detected delays; CV_INT[i]\n"
          "is 1 for an integrating output, whose pairs are all of first order. Step responses\n"
          "have 3000 samples, pair (i, j) in column i*nu + j. Draws from numpy's global generator.");
}
