#include "vantrelpid/util/differencing.hpp"

namespace vantrelpid::util {

Matrix d_data(const Matrix& Y, bool integrating) {
    if (!integrating) return Y;
    const Index N = Y.rows();
    Matrix d = Matrix::Zero(N, Y.cols());
    if (N < 2) return d;
    d.bottomRows(N - 1) = Y.bottomRows(N - 1) - Y.topRows(N - 1);
    // The first difference has no predecessor: it repeats the second.
    d.row(0) = d.row(1);
    return d;
}

}  // namespace vantrelpid::util
