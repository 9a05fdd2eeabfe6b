#include "vantrelpid/util/simulation.hpp"

#include <cmath>
#include <string>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/poly.hpp"

namespace vantrelpid::util {

Matrix add_dly(const Matrix& X, const IntVector& d) {
    if (d.size() != 1 && d.size() != X.cols()) {
        throw InvalidArgument("add_dly needs one delay or one delay per column (" + std::to_string(X.cols()) +
                              "), got " + std::to_string(d.size()));
    }
    Matrix out = Matrix::Zero(X.rows(), X.cols());
    for (Index j = 0; j < X.cols(); ++j) {
        const std::int64_t dj = d.size() == 1 ? d(0) : d(j);
        if (dj < 0) throw InvalidArgument("delays must not be negative");
        if (dj >= X.rows()) continue;
        const Index shift = static_cast<Index>(dj);
        out.col(j).tail(X.rows() - shift) = X.col(j).head(X.rows() - shift);
    }
    return out;
}

Vector misosim(const Vector& A, const Matrix& B, const Matrix& U) {
    if (B.rows() != U.cols()) {
        throw InvalidArgument("misosim needs one numerator row per input column: " + std::to_string(B.rows()) +
                              " rows for " + std::to_string(U.cols()) + " inputs");
    }
    if (A.size() == 0 || A(0) == 0.0) throw InvalidArgument("the denominator must start with a nonzero coefficient");
    const Index N = U.rows(), na = A.size() - 1, nb = B.cols();
    const double a0 = A(0);

    // v(t) = sum_j sum_l b_jl u_j(t - l), then y(t) = (v(t) - sum_k a_k y(t - k)) / a0:
    // the sum of the inputs' responses over the common denominator, from rest.
    Vector y = Vector::Zero(N);
    for (Index t = 0; t < N; ++t) {
        double v = 0.0;
        const Index lmax = std::min<Index>(nb - 1, t);
        for (Index j = 0; j < U.cols(); ++j)
            for (Index l = 0; l <= lmax; ++l) v += B(j, l) * U(t - l, j);
        const Index kmax = std::min<Index>(na, t);
        for (Index k = 1; k <= kmax; ++k) v -= A(k) * y(t - k);
        y(t) = v / a0;
    }
    return y;
}

Matrix dsssim(const StateSpace& m, const Matrix& u) {
    const Index n = m.A.rows(), nu = u.cols();
    if (m.A.cols() != n || m.B.rows() != n || m.C.cols() != n || m.B.cols() != nu || m.D.cols() != nu ||
        m.D.rows() != m.C.rows()) {
        throw InvalidArgument("dsssim: the model's matrices and the input columns do not match");
    }
    Matrix y(u.rows(), m.C.rows());
    Vector x = Vector::Zero(n), next(n);
    for (Index t = 0; t < u.rows(); ++t) {
        const Vector ut = u.row(t).transpose();
        y.row(t) = (m.C * x + m.D * ut).transpose();
        next.noalias() = m.A * x + m.B * ut;
        x.swap(next);
    }
    return y;
}

CMatrix misofrq(const Vector& A, const Matrix& B, const Vector& w, const Cancellation& cancel) {
    CMatrix G(w.size(), B.rows());
    for (Index f = 0; f < w.size(); ++f) {
        const Complex den = polyval_unit_circle(A, w(f));
        for (Index j = 0; j < B.rows(); ++j) G(f, j) = polyval_unit_circle(B.row(j).transpose(), w(f)) / den;
        cancel.poll();
    }
    return G;
}

Vector d_bode2(const Vector& num, const Vector& den, const Vector& w, const Cancellation& cancel) {
    // |num / den| on the unit circle; the amplitude does not depend on
    // whether the coefficients count powers of z or of z^-1.
    Vector amp(w.size());
    for (Index f = 0; f < w.size(); ++f) {
        amp(f) = std::abs(polyval_unit_circle(num, w(f)) / polyval_unit_circle(den, w(f)));
        cancel.poll();
    }
    return amp;
}

}  // namespace vantrelpid::util
