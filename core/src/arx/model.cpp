#include "vantrelpid/arx/model.hpp"

#include "vantrelpid/errors.hpp"

namespace vantrelpid::detail {

void delay_columns(Matrix& Uk, const IntVector& delays) {
    const Index nk = Uk.rows();
    for (Index i = 0; i < Uk.cols(); ++i) {
        const Index d = delays(i);
        if (d < 0) throw InvalidArgument("delays must be >= 0");
        if (d == 0) continue;
        if (d >= nk) {
            Uk.col(i).setZero();
            continue;
        }
        // Move backwards so that no sample is overwritten before it is read.
        for (Index t = nk - 1; t >= d; --t) Uk(t, i) = Uk(t - d, i);
        Uk.col(i).head(d).setZero();
    }
}

NormalEquations fix_leading_coefficient(const Matrix& R) {
    const Index m = R.rows() - 1;
    return {R.bottomRightCorner(m, m), -R.col(0).tail(m)};
}

ArxModel arx_from_solution(const Vector& th, Index order, Index inputs) {
    const Index L = order + 1;
    if (th.size() < L * (inputs + 1) - 1) throw InvalidArgument("too few parameters for the model");
    ArxModel model;
    model.den.resize(L);
    model.den(0) = 1.0;
    model.den.tail(order) = th.head(order);
    model.num.resize(inputs, L);
    for (Index i = 0; i < inputs; ++i) model.num.row(i) = -th.segment(order + i * L, L).transpose();
    return model;
}

}  // namespace vantrelpid::detail
