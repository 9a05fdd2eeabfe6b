// Filters of the utility layer, exposed for testing.

#include <limits>
#include <string>

#include "support/module.hpp"
#include "utilities/register.hpp"
#include "vantrelpid/util/filters.hpp"

namespace vantrelpid::py::utilities {

namespace {

int filter_order(nb::handle order) {
    const std::int64_t n = index_arg(order);
    if (n < 0) raise_value_error("Filter order must be a nonnegative integer");
    if (n > std::numeric_limits<int>::max()) raise_value_error("Filter order is too large");
    return static_cast<int>(n);
}

nb::tuple design(util::TransferFunction f) {
    return nb::make_tuple(array1d(f.num), array1d(f.den));
}

// Runs `filter` on x as a matrix of columns and returns the result in x's
// layout: a one-dimensional x comes back one-dimensional.
template <typename Filter>
nb::object along_samples(nb::handle x, Filter filter) {
    nb::object a = asarray(x);
    const int nd = ndim(a);
    if (nd == 1) return array1d(Vector(filter(Matrix(vector_from(a))).col(0)));
    if (nd == 2) return array(filter(matrix_from(a)));
    raise_value_error("x must be a one- or two-dimensional array, not " + std::to_string(nd) +
                      "-dimensional");
}

}  // namespace

void register_filters(nb::module_& m) {
    m.def(
        "buttfilt",
        [](nb::handle order, nb::handle wc) {
            return design(util::buttfilt(filter_order(order), float_arg(wc, "wc")));
        },
        "order"_a, "wc"_a,
        "buttfilt(order, wc) -> (b, a): digital Butterworth low-pass, wc a fraction of Nyquist");
    m.def(
        "buttfilthi",
        [](nb::handle order, nb::handle wc) {
            return design(util::buttfilthi(filter_order(order), float_arg(wc, "wc")));
        },
        "order"_a, "wc"_a,
        "buttfilthi(order, wc) -> (b, a): digital Butterworth high-pass, wc a fraction of Nyquist");
    m.def(
        "hipass",
        [](nb::handle x, nb::handle wc) {
            if (wc.is_none()) return along_samples(x, [](const Matrix& X) { return util::hipass(X); });
            const double cutoff = float_arg(wc, "wc");
            return along_samples(x, [cutoff](const Matrix& X) { return util::hipass(X, cutoff); });
        },
        "x"_a, "wc"_a = nb::none(),
        "hipass(x, wc=None) -> x high-passed along the samples, column by column, shape kept.\n"
        "4th-order Butterworth from a zero state; the default cut-off is 0.003 of Nyquist.");
    m.def(
        "hipass001",
        [](nb::handle x) { return along_samples(x, [](const Matrix& X) { return util::hipass001(X); }); },
        "x"_a, "hipass001(x) -> hipass(x) with the cut-off 0.001 of Nyquist");
}

}  // namespace vantrelpid::py::utilities
