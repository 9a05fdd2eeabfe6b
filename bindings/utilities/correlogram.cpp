// Prediction errors and spectra of the utility layer, exposed for testing.

#include <nanobind/stl/string.h>

#include <string>

#include "support/module.hpp"
#include "support/samples.hpp"
#include "utilities/register.hpp"
#include "vantrelpid/util/correlogram.hpp"

namespace vantrelpid::py::utilities {

namespace {

// len(w) x m x m complex128.
nb::object spectra_array(const std::vector<CMatrix>& Phi, Index m) {
    const Index F = static_cast<Index>(Phi.size());
    CMatrix flat(F, m * m);
    for (Index f = 0; f < F; ++f)
        for (Index a = 0; a < m; ++a)
            for (Index b = 0; b < m; ++b) flat(f, a * m + b) = Phi[static_cast<std::size_t>(f)](a, b);
    return array(flat).attr("reshape")(F, m, m);
}

std::vector<CMatrix> spectra_from(nb::handle obj) {
    nb::object a = asarray(obj);
    if (ndim(a) != 3) raise_value_error("Phi must be a three-dimensional array (frequency, row, column)");
    const auto dims = shape(a);
    const CVector flat = cvector_from(a);
    std::vector<CMatrix> Phi(static_cast<std::size_t>(dims[0]), CMatrix(dims[1], dims[2]));
    Index k = 0;
    for (CMatrix& P : Phi)
        for (Index r = 0; r < dims[1]; ++r)
            for (Index c = 0; c < dims[2]; ++c) P(r, c) = flat(k++);
    return Phi;
}

}  // namespace

void register_correlogram(nb::module_& m) {
    m.def(
        "arxpe",
        [](nb::handle Ap, nb::handle Bp, nb::handle Ud, nb::handle y) {
            return column(util::arxpe(vector(Ap), row_matrix(Bp), column_matrix(Ud), output_record(y, "y")));
        },
        "Ap"_a, "Bp"_a, "Ud"_a, "y"_a,
        "arxpe(Ap, Bp, Ud, y) -> N x 1 prediction errors of Ap y = sum_j Bp_j u_j + e");
    m.def(
        "crsspct",
        [](nb::handle Z, nb::handle M, nb::handle w, const std::string& window) {
            const Matrix z = column_matrix(Z);
            return spectra_array(util::crsspct(z, index_arg(M), vector(w), window), z.cols());
        },
        "Z"_a, "M"_a, "w"_a, "window"_a,
        "crsspct(Z, M, w, \"P\") -> len(w) x m x m spectral density matrices of the columns of Z\n"
        "(Blackman-Tukey, Parzen lag window of width min(M, N - 1), no 1/(2 pi))");
    m.def(
        "fiinvdia",
        [](nb::handle Phi, nb::handle n) { return array(util::fiinvdia(spectra_from(Phi), index_arg(n))); },
        "Phi"_a, "n"_a, "fiinvdia(Phi, n) -> len(Phi) x n diagonals of the inverses of Phi[f, :n, :n]");
}

}  // namespace vantrelpid::py::utilities
