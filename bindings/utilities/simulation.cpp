// Delays, simulation and frequency responses of the utility layer, exposed for testing.

#include "support/module.hpp"
#include "support/samples.hpp"
#include "utilities/register.hpp"
#include "vantrelpid/util/simulation.hpp"

namespace vantrelpid::py::utilities {

void register_simulation(nb::module_& m) {
    m.def(
        "add_dly",
        [](nb::handle X, nb::handle d) {
            nb::object a = asarray(X);
            const bool one_d = ndim(a) == 1;
            const Matrix out = util::add_dly(column_matrix(a), delays(d, "d"));
            return one_d ? array1d(Vector(out.col(0))) : array(out);
        },
        "X"_a, "d"_a, "add_dly(X, d) -> X with each column delayed by its delay in samples");
    m.def(
        "misosim",
        [](nb::handle A, nb::handle B, nb::handle U) {
            return column(util::misosim(vector(A), row_matrix(B), column_matrix(U)));
        },
        "A"_a, "B"_a, "U"_a, "misosim(A, B, U) -> N x 1 output of sum_j B_j / A driven by column j of U");
    m.def(
        "dsssim",
        [](nb::handle A, nb::handle B, nb::handle C, nb::handle D, nb::handle u) {
            const util::StateSpace model{column_matrix(A), column_matrix(B), row_matrix(C), row_matrix(D)};
            return nb::make_tuple(array(util::dsssim(model, column_matrix(u))));
        },
        "A"_a, "B"_a, "C"_a, "D"_a, "u"_a, "dsssim(A, B, C, D, u) -> (y,) simulated from a zero state");
    m.def(
        "misofrq",
        [](nb::handle A, nb::handle B, nb::handle w) { return array(util::misofrq(vector(A), row_matrix(B), vector(w))); },
        "A"_a, "B"_a, "w"_a, "misofrq(A, B, w) -> complex response of B_j / A, one row per frequency");
    m.def(
        "d_bode2",
        [](nb::handle num, nb::handle den, nb::handle w) {
            return array1d(util::d_bode2(vector(num), vector(den), vector(w)));
        },
        "num"_a, "den"_a, "w"_a, "d_bode2(num, den, w) -> amplitude of num / den at each w");
    m.def(
        "tt_ac",
        [](nb::handle P, nb::handle M) {
            nb::object p = asarray(P);
            const Matrix pm = ndim(p) == 2 ? matrix_from(p) : Matrix();
            return array(util::tt_ac(pm, column_matrix(M)));
        },
        "P"_a, "M"_a, "tt_ac(P, M) -> block diagonal of P and M; an empty P gives M");
    m.def(
        "tt_bd",
        [](nb::handle P, nb::handle M) {
            nb::object p = asarray(P);
            const Matrix pm = ndim(p) == 2 ? matrix_from(p) : Matrix();
            return array(util::tt_bd(pm, row_matrix(M)));
        },
        "P"_a, "M"_a, "tt_bd(P, M) -> P stacked above M; an empty P gives M");
}

}  // namespace vantrelpid::py::utilities
