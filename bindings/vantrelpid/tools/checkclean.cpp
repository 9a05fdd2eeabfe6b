// vantrelpid.tools.checkclean: validation preprocessing of one output.

#include "support/module.hpp"
#include "vantrelpid/prep/checkclean.hpp"

namespace py = vantrelpid::py;

namespace {

nb::tuple checkclean(nb::handle U, nb::handle yk, nb::handle SlSampk, nb::handle CV_INTk) {
    if (!py::equals(CV_INTk, 0) && !py::equals(CV_INTk, 1)) py::raise_value_error("CV_INTk must be either 0 or 1");

    nb::object u = py::asarray(U);
    nb::object y = py::asarray(yk);
    nb::object samples = py::asarray(SlSampk);
    py::reject_complex(u, "U");
    py::reject_complex(y, "yk");
    py::reject_complex(samples, "SlSampk");
    const char kind = py::dtype_kind(samples);
    if (kind != 'i' && kind != 'u')
        py::raise_index_error("arrays used as indices must be of integer (or boolean) type");
    if (py::ndim(samples) > 1 || py::ndim(u) > 2) py::raise_value_error("too many values to unpack (expected 2)");
    if (py::ndim(samples) == 0 || py::ndim(u) < 2)
        py::raise_value_error("not enough values to unpack (expected 2, got 1)");
    if (py::ndim(y) == 0 || py::ndim(y) > 2) py::raise_value_error("yk must be one- or two-dimensional");

    py::require_int64_samples(samples);
    const bool y_is_1d = py::ndim(y) == 1;
    const vantrelpid::ValidationSignals v =
        vantrelpid::checkclean(py::matrix_from(u), py::column_matrix(y), py::int_vector_from(samples));
    nb::object yn = y_is_1d ? py::array1d(vantrelpid::Vector(v.yn.col(0))) : py::array(v.yn);
    return nb::make_tuple(py::array(v.Un), py::array1d(vantrelpid::Vector(v.MeanUk.transpose())),
                          py::array1d(vantrelpid::Vector(v.STDuk.transpose())), yn, py::float64(v.MeanYk),
                          py::float64(v.STDyk));
}

}  // namespace

NB_MODULE(checkclean, m) {
    py::init_module(m);
    m.def("checkclean", &checkclean, "U"_a, "yk"_a, "SlSampk"_a, "CV_INTk"_a,
          "checkclean(U, yk, SlSampk, CV_INTk) -> (Un, MeanUk, STDuk, yn, MeanYk, STDyk)\n\n"
          "Prepare one output and all inputs for model validation: offsets from the first\n"
          "round(N/10) selected samples, sample deviations of the selected samples (the\n"
          "output is divided only by a positive deviation), then a high-pass filter at\n"
          "0.003 of the scaled signals. yn keeps the shape of yk. No random draws.");
}
