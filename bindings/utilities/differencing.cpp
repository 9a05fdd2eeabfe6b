// Differencing of integrating records and the removal of a linear trend,
// exposed for testing and for the model validation.

#include "support/module.hpp"
#include "utilities/register.hpp"
#include "vantrelpid/util/differencing.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid::py::utilities {

void register_differencing(nb::module_& m) {
    m.def(
        "d_data",
        [](nb::handle Y, nb::handle CV_INT) {
            nb::object a = asarray(Y);
            const char kind = dtype_kind(a);
            if (kind != 'f' && kind != 'i' && kind != 'u' && kind != 'b')
                raise_type_error("Y must hold real numbers");
            const int nd = ndim(a);
            if (nd != 1 && nd != 2) raise_value_error("Y must be a one- or two-dimensional record");
            const Matrix d = util::d_data(column_matrix(a), equals(CV_INT, 1));
            return nd == 1 ? array1d(Vector(d.col(0))) : array(d);
        },
        "Y"_a, "CV_INT"_a,
        "d_data(Y, CV_INT) -> for CV_INT == 1 the sample-to-sample differences of each column\n"
        "of Y (the first row repeating the second), else a copy; the layout of Y is kept");
    m.def(
        "detrend",
        [](nb::handle x) {
            nb::object a = asarray(x);
            if (ndim(a) != 1) raise_value_error("x must be a one-dimensional record");
            return array1d(util::detrend(vector_from(a)));
        },
        "x"_a, "detrend(x) -> x without its least-squares line (scipy.signal.detrend's default)");
}

}  // namespace vantrelpid::py::utilities
