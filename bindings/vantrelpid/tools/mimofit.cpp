// vantrelpid.tools.mimofit: multivariable identification into a stacked
// discrete state-space model with error bounds and grades.

#include <string>

#include "support/module.hpp"
#include "support/signals.hpp"
#include "support/samples.hpp"
#include "support/slice_table.hpp"
#include "vantrelpid/ident/mimofit.hpp"

namespace py = vantrelpid::py;
using vantrelpid::Index;

namespace {

// Delay[i, :], as numpy indexes the array of delays.
vantrelpid::IntVector delay_row(nb::handle Delay, Index i) {
    nb::object all = nb::slice(nb::none(), nb::none(), nb::none());
    return py::delays(py::item(py::asarray(Delay), nb::make_tuple(nb::int_(i), all)), "Delay");
}

nb::tuple mimofit(nb::handle u, nb::handle y, nb::handle Delay, nb::handle Slice, nb::handle CV_INT) {
    // np.array of both records; a record without samples is passed on
    // empty, for the core's first check, before either record's shape counts.
    nb::object ua = py::array_as(u, nullptr), ya = py::array_as(y, nullptr);
    const bool empty = py::length(ua) == 0 || py::length(ya) == 0;
    const vantrelpid::Matrix U = empty ? vantrelpid::Matrix() : py::real_matrix(ua, "u", py::NotTwoD::IndexError);
    const vantrelpid::Matrix Y = empty ? vantrelpid::Matrix() : py::real_matrix(ya, "y", py::NotTwoD::IndexError);

    vantrelpid::OutputArguments args;
    args.selection = [&](Index i, Index n_rows) { return py::checked_selection(Slice, i, n_rows); };
    args.integrating = [&](Index i) { return py::equals(py::item(CV_INT, i), 1); };
    args.delays = [&](Index i) { return delay_row(Delay, i); };
    py::NumpyRandom random;
    const vantrelpid::MultivariableModel r = vantrelpid::mimofit(U, Y, args, random, py::PythonSignals());

    const Index ny = static_cast<Index>(r.ORDS.size()), nu = r.model.B.cols();
    std::vector<std::string> grades;
    for (char g : r.Grade) grades.emplace_back(1, g);
    vantrelpid::IntVector ords(ny);
    for (Index i = 0; i < ny; ++i) ords(i) = r.ORDS[static_cast<std::size_t>(i)];
    return nb::make_tuple(py::array(r.model.A), py::array(r.model.B), py::array(r.model.C), py::array(r.model.D),
                          py::array1d(ords), py::char_array(grades, {ny, nu}), py::array(r.Gh),
                          py::array(r.BND_shw), py::array1d(r.w), py::array1d(r.meanU), py::array1d(r.STDu),
                          py::array1d(r.meanY), py::array1d(r.STDy));
}

}  // namespace

NB_MODULE(mimofit, m) {
    py::init_module(m, {"vantrelpid.tools.segmask",
                        "vantrelpid.tools.fitclean",
                        "vantrelpid.tools.ceilband",
                        "vantrelpid.tools.compactfit"});
    m.def("mimofit", &mimofit, "u"_a, "y"_a, "Delay"_a, "Slice"_a, "CV_INT"_a,
          "mimofit(u, y, Delay, Slice, CV_INT)\n"
          "    -> (A, B, C, D, ORDS, Grade, Gh, BND_shw, w, meanU, STDu, meanY, STDy)\n\n"
          "Identify the outputs y (N x ny, ny <= 5) from the inputs u (N x nu, nu <= 6), both\n"
          "cut to their common length N >= 150. Per output i: the samples selected by Slice[i],\n"
          "the preprocessing (integrating when CV_INT[i] == 1), ARX candidates of orders 12, 16\n"
          "and 22 with the input delays Delay[i, :] (samples), the one with the smallest\n"
          "penalised simulation error, its error bound and grades, and its low-order reduction.\n"
          "A, B, C, D: the low-order models stacked (A and C block-diagonal, ORDS states each)\n"
          "in engineering units. Grade: ny x nu letters. Gh, BND_shw: 175 x nu*ny response\n"
          "magnitudes and error bounds, pair (i, j) in column i*nu + j, on the grid w.\n"
          "Seeds numpy's global generator with 798.");
}
