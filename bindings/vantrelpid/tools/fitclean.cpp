// vantrelpid.tools.fitclean: identification preprocessing of one output.

#include "support/module.hpp"
#include "vantrelpid/prep/fitclean.hpp"

namespace py = vantrelpid::py;

namespace {

[[noreturn]] void too_many_indices(int nd) {
    py::raise_index_error("too many indices for array: array is " + std::to_string(nd) +
                          "-dimensional, but 2 were indexed");
}

nb::tuple fitclean(nb::handle U, nb::handle yk, nb::handle SlSampk, nb::handle CV_INTk) {
    if (U.is_none() || yk.is_none() || SlSampk.is_none()) py::raise_value_error("Not enough input arguments!");

    nb::object u = py::array_as(U, nullptr);
    py::check(py::ndim(u) == 2, "U must be a matrix");
    py::reject_complex(u, "U");
    nb::object y = py::array_as(yk, nullptr);
    py::reject_complex(y, "yk");
    if (py::ndim(y) == 1) y = y.attr("reshape")(-1, 1);
    nb::object given = py::asarray(SlSampk);
    py::reject_complex(given, "SlSampk");
    py::require_int64_samples(given);
    nb::object samples = py::array_as(SlSampk, "int64");

    // The selected rows U[SlSampk - 1, :] must unpack into (N, nu).
    if (py::ndim(u) < 2) too_many_indices(py::ndim(u));
    if (py::ndim(samples) == 0) py::raise_value_error("not enough values to unpack (expected 2, got 1)");
    if (py::ndim(u) > 2 || py::ndim(samples) > 1) py::raise_value_error("too many values to unpack (expected 2)");
    if (py::ndim(y) < 2) too_many_indices(py::ndim(y));
    if (py::ndim(y) > 2 || py::shape(y)[1] != 1) {
        py::check(false, "The shape of ysh must be (N, 1)");
        py::raise_value_error("The shape of ysh must be (N, 1)");
    }

    py::NumpyRandom random;
    const vantrelpid::PreparedSignals p =
        vantrelpid::fitclean(py::matrix_from(u), py::vector_from(y), py::int_vector_from(samples),
                             py::equals(CV_INTk, 1), random);
    return nb::make_tuple(py::array(p.Un), py::array1d(vantrelpid::Vector(p.MeanUk.transpose())),
                          py::array1d(vantrelpid::Vector(p.STDuk.transpose())), py::column(p.yn),
                          py::float64(p.MeanYk), py::float64(p.STDyk));
}

}  // namespace

NB_MODULE(fitclean, m) {
    py::init_module(m);
    m.def("fitclean", &fitclean, "U"_a, "yk"_a, "SlSampk"_a, "CV_INTk"_a,
          "fitclean(U, yk, SlSampk, CV_INTk) -> (Un, MeanUk, STDuk, yn, MeanYk, STDyk)\n\n"
          "Prepare one output and all inputs for ARX identification: offsets from the\n"
          "selected samples 2 to round(N/15), a 4th-order Butterworth high-pass at 0.002\n"
          "over the whole record, integration of the inputs for an integrating output\n"
          "(CV_INTk == 1), mean removal and unit sample deviation. Reseeds numpy's global\n"
          "generator with 9888 for an integrating output and draws N_rec*(nu+1) normals.");
}
