// vantrelpid.tools.freqshrink: frequency-weighted reduction of a high-order
// multi-input ARX model to a low-order Box-Jenkins model.

#include "support/module.hpp"
#include "support/signals.hpp"
#include "vantrelpid/fit/freqshrink.hpp"

namespace py = vantrelpid::py;

namespace {

// A Python integer as it is; any other real number through int(); anything
// else is a TypeError naming the argument.
vantrelpid::Index whole_number(nb::handle obj, const char* name) {
    if (PyLong_Check(obj.ptr())) return py::index_arg(obj);
    if (!py::is_real_number(obj)) py::raise_wrong_type(name, "int", obj);
    return py::int_arg(obj);
}

// The weights must have two dimensions: len(w) rows, one column per input.
vantrelpid::Matrix weight_matrix(nb::handle obj, const char* name) {
    nb::object a = py::asarray(obj);
    if (py::ndim(a) != 2) py::raise_index_error(std::string(name) + " must be a two-dimensional array");
    py::reject_complex(a, name);
    return py::matrix_from(a);
}

nb::tuple freqshrink(nb::handle Ah, nb::handle Bh, nb::handle Weight, nb::handle Weight1, nb::handle n,
                     nb::handle iter, nb::handle w) {
    const vantrelpid::Index order = whole_number(n, "n");
    const vantrelpid::Index iterations = whole_number(iter, "iter");
    const vantrelpid::ReducedModel m =
        vantrelpid::freqshrink(py::vector(Ah, "Ah"), py::matrix(Bh, "Bh"), weight_matrix(Weight, "Weight"),
                               weight_matrix(Weight1, "Weight1"), order, iterations, py::vector(w, "w"),
                               py::PythonSignals());
    return nb::make_tuple(py::array1d(m.Ap), py::array(m.Bp), py::array1d(m.Cp), py::array1d(m.Dp),
                          py::array1d(m.Loss));
}

}  // namespace

NB_MODULE(freqshrink, m) {
    py::init_module(m);
    m.def("freqshrink", &freqshrink, "Ah"_a, "Bh"_a, "Weight"_a, "Weight1"_a, "n"_a, "iter"_a, "w"_a,
          "freqshrink(Ah, Bh, Weight, Weight1, n, iter, w) -> (Ap, Bp, Cp, Dp, Loss)\n\n"
          "Reduces the high-order model y = sum_j (Bh_j / Ah) u_j + (1 / Ah) e to the\n"
          "order-n model y = sum_j (Bp_j / Ap) u_j + (Cp / Dp) e (noise order min(n, 4))\n"
          "by `iter` iterations of a frequency-weighted least-squares fit on the grid w.\n"
          "Weight (len(w) x nu) weights every iteration, Weight1 replaces it in the\n"
          "first fit; Loss holds the weighted squared error of each iteration.");
}
