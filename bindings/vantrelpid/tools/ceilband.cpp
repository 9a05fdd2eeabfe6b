// vantrelpid.tools.ceilband: model-error upper bound over the frequency grid
// and a grade per input.

#include <string>

#include "support/module.hpp"
#include "support/samples.hpp"
#include "vantrelpid/fit/ceilband.hpp"

namespace py = vantrelpid::py;

namespace {

nb::tuple ceilband(nb::handle Aphk, nb::handle Bphk, nb::handle Ghk, nb::handle U, nb::handle Yk, nb::handle w,
                   nb::handle Nbnd, nb::handle Delayk, nb::handle SliceSamp, nb::handle CV_INTk) {
    nb::object G = py::asarray(Ghk);
    if (py::ndim(G) != 2) py::raise_value_error("Ghk must be a two-dimensional array");
    const vantrelpid::util::ArmaxModel arx{py::vector(Aphk, "Aphk"), py::matrix(Bphk, "Bphk")};
    const vantrelpid::GradedBound b = vantrelpid::ceilband(
        arx, py::cmatrix_from(G), py::matrix(U, "U"), py::output_record(Yk, "Yk"), py::vector(w, "w"),
        py::float_arg(Nbnd, "Nbnd"), py::delays(Delayk, "Delayk"), py::sample_numbers(SliceSamp, "SliceSamp"),
        py::equals(CV_INTk, 1));
    std::vector<std::string> grades;
    for (char g : b.grades) grades.emplace_back(1, g);
    return nb::make_tuple(py::char_array(grades, {static_cast<vantrelpid::Index>(grades.size())}),
                          py::array1d(b.nonD), py::array(b.BND));
}

}  // namespace

NB_MODULE(ceilband, m) {
    py::init_module(m);
    m.def("ceilband", &ceilband, "Aphk"_a, "Bphk"_a, "Ghk"_a, "U"_a, "Yk"_a, "w"_a, "Nbnd"_a, "Delayk"_a,
          "SliceSamp"_a, "CV_INTk"_a,
          "ceilband(Aphk, Bphk, Ghk, U, Yk, w, Nbnd, Delayk, SliceSamp, CV_INTk) -> (Gradek, nonDk, BNDk)\n\n"
          "Upper bound BNDk (len(w) x nu) of the error of each input's frequency response of\n"
          "the ARX model Aphk y = sum_j Bphk_j u_j(t - Delayk_j) + e, from the selected\n"
          "samples SliceSamp (1-based) and Nbnd data, and a grade per input: \"A\" (ratio of\n"
          "bound to response up to 0.3), \"B\" (0.6), \"C\" (0.99), \"D\" (above; nonDk 0.0),\n"
          "\"?\" (no ratio), over the first 4 grid points when CV_INTk == 1, else 10.");
}
