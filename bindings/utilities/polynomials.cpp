// Polynomial and filtering primitives of the utility layer.

#include "support/module.hpp"
#include "utilities/register.hpp"
#include "vantrelpid/util/lfilter.hpp"
#include "vantrelpid/util/linalg.hpp"
#include "vantrelpid/util/poly.hpp"

namespace vantrelpid::py::utilities {

void register_polynomials(nb::module_& m) {
    m.def(
        "stabpoly", [](nb::handle p) { return array1d(util::stabpoly(vector(p))); }, "p"_a,
        "stabpoly(p) -> p with every root outside the unit circle reflected inside");
    m.def(
        "lfilter", [](nb::handle b, nb::handle a, nb::handle x) {
            return array1d(util::lfilter(vector(b), vector(a), vector(x)));
        },
        "b"_a, "a"_a, "x"_a, "lfilter(b, a, x) -> y, direct form II transposed from zero state");
    m.def(
        "filtini", [](nb::handle b, nb::handle a, nb::handle u, nb::handle y0) {
            return column(util::filtini(vector(b), vector(a), vector(u), float_arg(y0, "y0")));
        },
        "b"_a, "a"_a, "u"_a, "y0"_a,
        "filtini(b, a, u, y0) -> y (N x 1), b/a of u started as if every past output were y0\n"
        "and every past input u[0]");
    m.def(
        "roots", [](nb::handle p) { return array1d(util::roots(vector(p))); }, "p"_a,
        "roots(p) -> the roots of p as numpy.roots finds them (complex)");
    m.def(
        "lstsq",
        [](nb::handle A, nb::handle b, bool scipy_cutoff) {
            const auto cutoff = scipy_cutoff ? util::Cutoff::Scipy : util::Cutoff::Numpy;
            return array1d(util::lstsq(matrix(A, "A"), vector(b), cutoff));
        },
        "A"_a, "b"_a, "scipy_cutoff"_a = false,
        "lstsq(A, b, scipy_cutoff=False) -> minimum-norm least-squares solution (numpy's or scipy's cut-off)");
    m.def(
        "lstsq_augmented",
        [](nb::handle A, nb::handle b) {
            const Matrix a = matrix(A, "A");
            const Vector rhs = vector(b);
            if (rhs.size() != a.rows()) raise_value_error("A and b must have the same number of rows");
            Matrix Ab(a.rows(), a.cols() + 1);
            Ab << a, rhs;
            return array1d(util::lstsq_augmented(Ab));
        },
        "A"_a, "b"_a, "lstsq_augmented(A, b) -> lstsq(A, b) with numpy's cut-off, through the QR of [A b]");
}

}  // namespace vantrelpid::py::utilities
