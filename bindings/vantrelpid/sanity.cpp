// vantrelpid.sanity: constant signals and almost fully correlated pairs.

#include "support/module.hpp"
#include "vantrelpid/prep/sanity.hpp"

namespace py = vantrelpid::py;

namespace {

nb::tuple sanity(nb::handle MVdat) {
    nb::object X = py::array_as(MVdat, nullptr);
    if (py::ndim(X) < 2) py::raise_index_error("tuple index out of range");
    py::reject_complex(X, "MVdat");
    const vantrelpid::SignalCheck c = vantrelpid::sanity(py::matrix_from(X));
    nb::list pairs;
    for (const auto& [i, j] : c.correlated) pairs.append(nb::make_tuple(i, j));
    return nb::make_tuple(py::int_list(c.constant), pairs);
}

}  // namespace

NB_MODULE(sanity, m) {
    py::init_module(m);
    m.def("sanity", &sanity, "MVdat"_a,
          "sanity(MVdat) -> (ConstIndx, CorIndx)\n\n"
          "Column numbers of the signals that never change, and the pairs (i, j), i < j,\n"
          "of signals whose scaled covariance exceeds 0.9999.");
}
