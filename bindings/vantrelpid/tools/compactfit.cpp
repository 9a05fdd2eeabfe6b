// vantrelpid.tools.compactfit: the low-order model of one output, chosen among
// the frequency-weighted reductions of orders 1 to 10.

#include <string>

#include "support/module.hpp"
#include "support/signals.hpp"
#include "support/samples.hpp"
#include "vantrelpid/fit/compactfit.hpp"

namespace py = vantrelpid::py;

namespace {

nb::tuple compactfit(nb::handle Aphk, nb::handle Bphk, nb::handle /*Ghk: not used*/, nb::handle U, nb::handle Y,
                     nb::handle Delay, nb::handle SlSampk, nb::handle BNDk, nb::handle wln) {
    const vantrelpid::util::ArmaxModel high{py::vector(Aphk, "Aphk"), py::matrix(Bphk, "Bphk")};
    const vantrelpid::IntVector samples = py::sample_numbers(SlSampk, "SlSampk");
    nb::object bound = py::asarray(BNDk);
    py::reject_complex(bound, "BNDk");
    if (py::ndim(bound) != 2) py::raise_index_error("BNDk must be a two-dimensional array");
    const vantrelpid::util::ArmaxModel low =
        vantrelpid::compactfit(high, py::matrix(U, "U"), py::output_record(Y, "Y"), py::delays(Delay, "Delay"),
                               samples, py::matrix_from(bound), py::vector(wln, "wln"), py::PythonSignals());
    return nb::make_tuple(py::array1d(low.den), py::array(low.num));
}

}  // namespace

NB_MODULE(compactfit, m) {
    py::init_module(m, {"vantrelpid.tools.freqshrink"});
    m.def("compactfit", &compactfit, "Aphk"_a, "Bphk"_a, "Ghk"_a, "U"_a, "Y"_a, "Delay"_a, "SlSampk"_a, "BNDk"_a,
          "wln"_a,
          "compactfit(Aphk, Bphk, Ghk, U, Y, Delay, SlSampk, BNDk, wln) -> (Abjopt, Bbjopt)\n\n"
          "Reduces the high-order model Bphk_j / Aphk to every order from 1 to 10 by\n"
          "freqshrink weighted with 1 / BNDk on the grid wln, simulates each candidate on\n"
          "the delayed inputs and scores its error on the selected samples SlSampk\n"
          "(1-based) by a final-prediction-error criterion with an order penalty; returns\n"
          "the best candidate's denominator and numerators (the first on equal scores).\n"
          "Ghk is accepted and not used.");
}
