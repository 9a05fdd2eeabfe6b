// vantrelpid.tools.seglsq: ARX estimate over selected slices of one record.

#include "support/arx_args.hpp"
#include "support/module.hpp"
#include "vantrelpid/arx/seglsq.hpp"

namespace py = vantrelpid::py;

namespace {

nb::tuple seglsq(nb::handle U, nb::handle Y, nb::handle SlInd, nb::handle n, nb::handle Delay) {
    const vantrelpid::Matrix u = py::real_matrix(U, "U");
    const std::optional<vantrelpid::IntVector> delays = py::delay_list(Delay, u.cols());
    const vantrelpid::Vector y = py::signal_column(Y, "Y", /*floating_only=*/true);
    const vantrelpid::IntMatrix slices = py::slice_rows(SlInd, "SlInd");
    const std::int64_t order = py::index_arg(n);
    py::NumpyRandom random;
    py::PythonWarnings warnings;
    const vantrelpid::ArxModel model = vantrelpid::seglsq(u, y, slices, order, delays, random, warnings);
    return nb::make_tuple(py::array1d(model.den), py::array(model.num));
}

}  // namespace

NB_MODULE(seglsq, m) {
    py::init_module(m);
    m.def("seglsq", &seglsq, "U"_a, "Y"_a, "SlInd"_a, "n"_a, "Delay"_a = nb::none(),
          "seglsq(U, Y, SlInd, n, Delay=None) -> (Ap, Bp)\n\n"
          "Least-squares ARX model of order n of the output Y (N x 1, floating point) with\n"
          "the inputs U (N x nu) over the slices [first, last] of SlInd (1-based sample\n"
          "numbers, inclusive; the first slice does not use its first 80 samples):\n"
          "Ap = [1, a1, ..., an], Bp one row of lags 0..n per input. Delay: None or one\n"
          "delay per input in samples, applied inside each slice and held out of Bp.\n"
          "Reseeds numpy's global generator with 1704 and draws len(Y) normal values.");
}
