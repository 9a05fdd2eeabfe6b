#include "vantrelpid/fit/freqshrink.hpp"

#include <cmath>
#include <string>
#include <vector>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/linalg.hpp"
#include "vantrelpid/util/poly.hpp"
#include "vantrelpid/util/simulation.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

// X(f, k) = e^{-i k w_f}, k = 0..n: X * c evaluates the polynomial c in z^-1.
CMatrix delay_basis(const Vector& w, Index n) {
    CMatrix X(w.size(), n + 1);
    for (Index k = 0; k <= n; ++k)
        for (Index f = 0; f < w.size(); ++f) X(f, k) = std::polar(1.0, -static_cast<double>(k) * w(f));
    return X;
}

// 1 / A on the grid, from the delay basis X, which must have at least as
// many columns as A has coefficients (the polynomials of the fit never have
// more): the frequency responses of the fitted models without trigonometry.
CVector basis_inverse(const CMatrix& X, const Vector& A) {
    return (X.leftCols(A.size()) * A.cast<Complex>()).cwiseInverse();
}

// B_j / A on the grid, one column per row of B.
CMatrix basis_response(const CMatrix& X, const Vector& A, const Matrix& B) {
    const CMatrix numerators = X.leftCols(B.cols()) * B.transpose().cast<Complex>();
    return basis_inverse(X, A).asDiagonal() * numerators;
}

// [1, c_1, ..., c_k] with the c taken from `coefficients`.
Vector monic(const Vector& coefficients) {
    Vector p(coefficients.size() + 1);
    p(0) = 1.0;
    p.tail(coefficients.size()) = coefficients;
    return p;
}

// Writes the real and imaginary parts of a complex column one above the
// other: the least-squares problem over complex residuals as a real one.
template <typename Column>
void put_split(Matrix& S, Index col, const Column& c) {
    const Index N = c.size();
    S.col(col).head(N) = c.real();
    S.col(col).tail(N) = c.imag();
}

// Normal equations of the process fit: theta = [a_1..a_n, b_0 (n + 1 values), ...,
// b_{nu-1}] minimises sum_j sum_f |Wt_j (Gh_j A - B_j)|^2, that is the real
// least-squares problem of Wg_j ~ Ra_j a + Rb_j b_j over real and imaginary
// parts, with Wg_j = Wt_j Gh_j, Ra_j = -e^{-ikw} Wg_j, Rb_j = e^{-ikw} Wt_j.
// Each input adds the real and the imaginary products of its regressors to
// the shared a block and sets its own b block (block-diagonal in the inputs).
void process_normal_equations(const CMatrix& X, const CMatrix& Gh, const CMatrix& Wt, Index n, Matrix& H,
                              Vector& r) {
    const Index N = X.rows(), nu = Gh.cols(), nb = n + 1;
    const Index size = n + nu * nb;
    H.setZero(size, size);
    r.setZero(size);
    // Columns of S: Ra (n), Rb (n + 1), then the target Wg.
    Matrix S(2 * N, n + nb + 1), G;
    for (Index j = 0; j < nu; ++j) {
        const CVector Wg = Wt.col(j).cwiseProduct(Gh.col(j));
        for (Index k = 1; k <= n; ++k) put_split(S, k - 1, -X.col(k).cwiseProduct(Wg));
        for (Index k = 0; k <= n; ++k) put_split(S, n + k, X.col(k).cwiseProduct(Wt.col(j)));
        put_split(S, n + nb, Wg);
        G.noalias() = S.transpose() * S;

        const Index off = n + j * nb;
        H.topLeftCorner(n, n) += G.topLeftCorner(n, n);
        H.block(0, off, n, nb) = G.block(0, n, n, nb);
        H.block(off, 0, nb, n) = G.block(n, 0, nb, n);
        H.block(off, off, nb, nb) = G.block(n, n, nb, nb);
        r.head(n) += G.block(0, n + nb, n, 1);
        r.segment(off, nb) = G.block(n, n + nb, nb, 1);
    }
}

// sum |Weight * (Gh - Gp)|^2 over frequencies and inputs, summed as numpy
// sums the C-ordered array.
double weighted_loss(const Matrix& Weight, const CMatrix& Gh, const CMatrix& Gp) {
    const Index N = Gh.rows(), nu = Gh.cols();
    std::vector<double> sq(static_cast<std::size_t>(N * nu));
    for (Index f = 0; f < N; ++f)
        for (Index j = 0; j < nu; ++j) {
            const double a = std::abs(Weight(f, j) * (Gh(f, j) - Gp(f, j)));
            sq[static_cast<std::size_t>(f * nu + j)] = a * a;
        }
    return util::pairwise_sum(sq.data(), N * nu);
}

// One step of the noise fit: 1/Ah - 1 ~ sum_k c_k e^{-ikw} - sum_k d_k e^{-ikw} / Ah,
// with the regressors weighted by Wn; least squares with numpy's cut-off.
void noise_fit(const CMatrix& X, const CVector& Nh, const CVector& Wn, Index nc, Vector& Cp, Vector& Dp) {
    const Index N = X.rows();
    Matrix A(2 * N, 2 * nc);
    for (Index k = 1; k <= nc; ++k) {
        put_split(A, k - 1, X.col(k).cwiseProduct(Wn));
        put_split(A, nc + k - 1, -X.col(k).cwiseProduct(Wn.cwiseProduct(Nh)));
    }
    Vector b(2 * N);
    const CVector Nd = Nh.array() - 1.0;
    b.head(N) = Nd.real();
    b.tail(N) = Nd.imag();
    const Vector theta = util::lstsq(A, b, util::Cutoff::Numpy);
    Cp = util::stabpoly(monic(theta.head(nc)));
    Dp = util::stabpoly(monic(theta.tail(nc)));
}

// The process fit has n + nu (n + 1) unknowns and 2 len(w) nu real
// equations; with more unknowns than equations its normal matrix is singular
// whatever the data. Checked before anything is allocated, without forming
// a product of the caller's order.
void require_determined(Index n, Index nu, Index N) {
    const Index equations = 2 * N * nu;
    const bool singular = n > equations || (nu > 0 && n + 1 > (equations - n) / nu);
    if (singular)
        throw LinAlgError("Singular matrix: order n = " + std::to_string(n) + " gives the fit more unknowns than its " +
                          std::to_string(equations) + " real equations");
}

}  // namespace

ReducedModel freqshrink(const Vector& Ah, const Matrix& Bh, const Matrix& Weight, const Matrix& Weight1, Index n,
                        Index iterations, const Vector& w, const Cancellation& cancel) {
    if (Bh.rows() != Weight.cols()) throw InvalidArgument("Dimensions of Weight and Bh not compatible");
    const Index nu = Bh.rows(), N = w.size();
    if (N != Weight.rows()) throw InvalidArgument("Dimensions of Weight and w not compatible");
    if (iterations < 1) throw InvalidArgument("iter must be at least 1");
    if (n < 0) throw InvalidArgument("n must not be negative");
    if (Weight1.rows() != Weight.rows() || Weight1.cols() != Weight.cols())
        throw InvalidArgument("Dimensions of Weight1 and Weight not compatible");
    require_determined(n, nu, N);

    const Index nc = noise_order(n), nb = n + 1;
    const CMatrix X = delay_basis(w, n);
    const CMatrix Gh = util::misofrq(Ah, Bh, w);
    const CVector Nh = util::misofrq(Ah, Matrix::Ones(1, 1), w).col(0);

    ReducedModel out;
    out.Loss.resize(iterations);
    CMatrix Wt = Weight1.cast<Complex>();
    CVector Wn = CVector::Ones(N);
    Matrix H;
    Vector r;
    for (Index it = 0; it < iterations; ++it) {
        cancel.poll();
        process_normal_equations(X, Gh, Wt, n, H, r);
        const Vector theta = util::lu_solve(H, r);
        out.Ap = util::stabpoly(monic(theta.head(n)));
        out.Bp.resize(nu, nb);
        for (Index j = 0; j < nu; ++j) out.Bp.row(j) = theta.segment(n + j * nb, nb).transpose();

        out.Loss(it) = weighted_loss(Weight, Gh, basis_response(X, out.Ap, out.Bp));

        // The next fit weights every input by 1 / Ap on the grid.
        const CVector Na = basis_inverse(X, out.Ap);
        for (Index j = 0; j < nu; ++j) Wt.col(j) = Weight.col(j).cast<Complex>().cwiseProduct(Na);

        noise_fit(X, Nh, Wn, nc, out.Cp, out.Dp);
        Wn = basis_inverse(X, out.Dp);
    }
    return out;
}

}  // namespace vantrelpid
