// vantrelpid.tools.slimfit: low-order discrete pair models of a stacked model.

#include "support/models.hpp"
#include "support/module.hpp"
#include "support/signals.hpp"
#include "vantrelpid/fit/slimfit.hpp"

namespace py = vantrelpid::py;

namespace {

nb::tuple slimfit(nb::handle A, nb::handle B, nb::handle C, nb::handle D, nb::handle ORDS, nb::handle Order) {
    const std::vector<vantrelpid::Index> ords = py::model_orders(ORDS);
    const std::int64_t order = py::int_arg(Order);
    vantrelpid::require_pair_order(order);  // before the model's shape is read
    const vantrelpid::util::StateSpace model = py::stacked_model(A, B, C, D);
    py::NumpyRandom random;
    py::PythonWarnings warnings;
    const vantrelpid::PairFits f = vantrelpid::slimfit(model, ords, order, random, warnings, py::PythonSignals());
    return nb::make_tuple(py::array(f.ExtrDl), py::array(f.ERR), py::array(f.Num[0]), py::array(f.Den[0]),
                          py::array(f.Num[1]), py::array(f.Den[1]), py::array(f.Num[2]), py::array(f.Den[2]),
                          py::array(f.Num[3]), py::array(f.Den[3]));
}

}  // namespace

NB_MODULE(slimfit, m) {
    py::init_module(m, {"vantrelpid.tools.outerrfit", "vantrelpid.tools.binseq"});
    m.def("slimfit", &slimfit, "A"_a, "B"_a, "C"_a, "D"_a, "ORDS"_a, "Order"_a,
          "slimfit(A, B, C, D, ORDS, Order) -> (ExtrDl, ERR, Num1, Den1, Num2, Den2, Num3, Den3, Num4, Den4)\n\n"
          "Discrete models of order int(Order) (at most 4) with a dead time for every input/output\n"
          "pair of the stacked model (A, B, C, D) with per-output orders ORDS, as ny x nu matrices:\n"
          "the detected delays, the validation errors and the coefficients b0..b3 (NumK) and\n"
          "a1..a4 (DenK) of each pair. Draws from numpy's global generator and reseeds it.");
    m.def(
        "create_input_signal", []() { return py::array1d(vantrelpid::create_input_signal()); },
        "create_input_signal() -> the 2910-sample step-test input of the pair fits");
}
