// vantrelpid.tools.wholelsq: ARX estimate over one whole record.

#include "support/arx_args.hpp"
#include "support/module.hpp"
#include "vantrelpid/arx/wholelsq.hpp"

namespace py = vantrelpid::py;

namespace {

nb::tuple wholelsq(nb::handle U, nb::handle Y, nb::handle n, nb::handle Delay) {
    const vantrelpid::Matrix u = py::real_matrix(U, "U");
    const std::optional<vantrelpid::IntVector> delays = py::delay_list(Delay, u.cols());
    const vantrelpid::Vector y = py::signal_column(Y, "Y", /*floating_only=*/false);
    const std::int64_t order = py::index_arg(n);
    const vantrelpid::ArxModel model = vantrelpid::wholelsq(u, y, order, delays);
    return nb::make_tuple(py::array1d(model.den), py::array(model.num));
}

}  // namespace

NB_MODULE(wholelsq, m) {
    py::init_module(m);
    m.def("wholelsq", &wholelsq, "U"_a, "Y"_a, "n"_a, "Delay"_a = nb::none(),
          "wholelsq(U, Y, n, Delay=None) -> (Ap, Bp)\n\n"
          "Least-squares ARX model of order n of the output Y (N x 1) with the inputs U\n"
          "(N x nu) over the whole record: Ap = [1, a1, ..., an], Bp one row of lags 0..n\n"
          "per input. Delay: None or one delay per input in 0..N samples, held out of Bp.\n"
          "Minimum-norm solution when the normal equations are singular. U is not changed.");
}
