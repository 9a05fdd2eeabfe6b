// Joining the per-output models of a multivariable model.

#include <string>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid::util {

Matrix tt_ac(const Matrix& P, const Matrix& M) {
    if (P.size() == 0) return M;
    Matrix out = Matrix::Zero(P.rows() + M.rows(), P.cols() + M.cols());
    out.topLeftCorner(P.rows(), P.cols()) = P;
    out.bottomRightCorner(M.rows(), M.cols()) = M;
    return out;
}

Matrix tt_bd(const Matrix& P, const Matrix& M) {
    if (P.size() == 0) return M;
    if (P.cols() != M.cols()) {
        throw InvalidArgument("tt_bd: matrices of " + std::to_string(P.cols()) + " and " + std::to_string(M.cols()) +
                              " columns cannot be stacked");
    }
    Matrix out(P.rows() + M.rows(), P.cols());
    out << P, M;
    return out;
}

}  // namespace vantrelpid::util
