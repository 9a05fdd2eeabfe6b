// Filters of the utility layer, exposed for testing.

#include <nanobind/ndarray.h>

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

// x high-passed along its first axis into a new array of its shape: the
// core reads numpy's C-ordered buffer and writes the result's directly (no
// intermediate copies of long records).
nb::object high_passed(nb::handle x, double wc) {
    const int nd = ndim(asarray(x));
    if (nd != 1 && nd != 2) {
        raise_value_error("x must be a one- or two-dimensional array, not " + std::to_string(nd) + "-dimensional");
    }
    nb::object in = numpy().attr("ascontiguousarray")(x, "dtype"_a = "float64");
    nb::object out = numpy().attr("empty_like")(in);
    const auto src = nb::cast<nb::ndarray<const double, nb::c_contig, nb::device::cpu>>(in);
    const auto dst = nb::cast<nb::ndarray<double, nb::c_contig, nb::device::cpu>>(out);
    const auto rows = static_cast<Index>(src.shape(0));
    const auto cols = nd == 2 ? static_cast<Index>(src.shape(1)) : Index{1};
    util::hipass_rows(src.data(), dst.data(), rows, cols, wc);
    return out;
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
            return high_passed(x, wc.is_none() ? util::hipass_default_cutoff : float_arg(wc, "wc"));
        },
        "x"_a, "wc"_a = nb::none(),
        "hipass(x, wc=None) -> x high-passed along the samples, column by column, shape kept.\n"
        "4th-order Butterworth from a zero state; the default cut-off is 0.003 of Nyquist.");
    m.def(
        "hipass001", [](nb::handle x) { return high_passed(x, util::hipass001_cutoff); }, "x"_a,
        "hipass001(x) -> hipass(x) with the cut-off 0.001 of Nyquist");
}

}  // namespace vantrelpid::py::utilities
