// Eigen's decompositions live here, behind the plain interfaces of linalg.hpp,
// so that the rest of the core compiles against Eigen/Core alone.

#include "vantrelpid/util/linalg.hpp"

#include <Eigen/Eigenvalues>
#include <Eigen/QR>
#include <Eigen/SVD>
#include <unsupported/Eigen/MatrixFunctions>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "vantrelpid/errors.hpp"

namespace vantrelpid::util {

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();

// x = V diag(1/s) U^T c, with singular values at or below `cut` dropped.
Matrix svd_solve(const Matrix& A, const Matrix& C, double rows_cols_factor, Cutoff cutoff) {
    Eigen::BDCSVD<Matrix> svd(A, Eigen::ComputeThinU | Eigen::ComputeThinV);
    const Vector& s = svd.singularValues();
    const double smax = s.size() > 0 ? s(0) : 0.0;
    const double rcond = cutoff == Cutoff::Numpy ? kEps * rows_cols_factor : kEps;
    const double cut = rcond * smax;
    Matrix UtC = svd.matrixU().transpose() * C;
    for (Index i = 0; i < s.size(); ++i) {
        if (s(i) > cut) UtC.row(i) /= s(i);
        else UtC.row(i).setZero();
    }
    return svd.matrixV() * UtC;
}

// Householder QR of the first `reflectors` columns of a tall matrix, in place,
// as LAPACK's dlarfg and dlarf compute it: column k becomes beta e_k, and the
// reflection I - tau v v^T (v = [1, x / (alpha - beta)]) is applied to the
// columns to its right. The upper triangle then holds R, and the columns
// beyond the reflectors hold Q^T times their old values.
void householder_triangularise(Matrix& M, Index reflectors) {
    const Index m = M.rows();
    for (Index k = 0; k < reflectors; ++k) {
        const Index len = m - k - 1;  // entries below the diagonal
        auto x = M.col(k).segment(k + 1, len);
        const double alpha = M(k, k);
        double xnorm = std::sqrt(x.squaredNorm());
        // The plain sum of squares loses precision (or overflows) far from 1.
        if (!(xnorm > 1e-150 && xnorm < 1e150)) xnorm = x.stableNorm();
        if (xnorm == 0.0) continue;  // already triangular here: tau = 0
        const double beta = -std::copysign(std::hypot(alpha, xnorm), alpha);
        const double tau = (beta - alpha) / beta;
        x *= 1.0 / (alpha - beta);
        M(k, k) = beta;
        for (Index j = k + 1; j < M.cols(); ++j) {
            auto c = M.col(j).segment(k + 1, len);
            const double w = tau * (M(k, j) + x.dot(c));
            M(k, j) -= w;
            c -= w * x;
        }
    }
}

void require_finite(const Matrix& A, const Matrix& B, Cutoff cutoff) {
    if (A.allFinite() && B.allFinite()) return;
    if (cutoff == Cutoff::Scipy) throw InvalidArgument("array must not contain infs or NaNs");
    throw LinAlgError("SVD did not converge in Linear Least Squares");
}

// The size LAPACK compares when it picks a pivot: |x| for real entries,
// |re| + |im| for complex ones.
double pivot_size(double x) { return std::abs(x); }
double pivot_size(const Complex& x) { return std::abs(x.real()) + std::abs(x.imag()); }

// LU factorisation with partial pivoting in place (LAPACK getf2 order):
// the pivot is the first entry of largest size in its column.
// Returns false on an exact zero pivot.
template <typename Dense>
bool lu_factor(Dense& LU, std::vector<Index>& piv) {
    using Scalar = typename Dense::Scalar;
    const Index n = LU.rows();
    piv.resize(static_cast<std::size_t>(n));
    bool singular = false;
    for (Index k = 0; k < n; ++k) {
        Index p = k;
        double best = pivot_size(LU(k, k));
        for (Index i = k + 1; i < n; ++i) {
            const double v = pivot_size(LU(i, k));
            if (v > best) {
                best = v;
                p = i;
            }
        }
        piv[static_cast<std::size_t>(k)] = p;
        if (LU(p, k) == Scalar(0)) {
            singular = true;
            continue;
        }
        if (p != k) LU.row(k).swap(LU.row(p));
        const Scalar inv = Scalar(1) / LU(k, k);
        for (Index i = k + 1; i < n; ++i) LU(i, k) *= inv;
        for (Index j = k + 1; j < n; ++j) {
            const Scalar ukj = LU(k, j);
            if (ukj == Scalar(0)) continue;
            for (Index i = k + 1; i < n; ++i) LU(i, j) -= LU(i, k) * ukj;
        }
    }
    return !singular;
}

template <typename Dense>
Dense lu_apply(const Dense& LU, const std::vector<Index>& piv, Dense X) {
    const Index n = LU.rows();
    for (Index k = 0; k < n; ++k) {
        const Index p = piv[static_cast<std::size_t>(k)];
        if (p != k) X.row(k).swap(X.row(p));
    }
    X = LU.template triangularView<Eigen::UnitLower>().solve(X);
    X = LU.template triangularView<Eigen::Upper>().solve(X);
    return X;
}

template <typename Dense>
void require_square(const Dense& A, Index rhs_rows) {
    if (A.rows() != A.cols()) throw LinAlgError("Last 2 dimensions of the array must be square");
    if (rhs_rows != A.rows()) throw InvalidArgument("incompatible dimensions of the matrix and the right-hand side");
}

// numpy.linalg.solve: LU with partial pivoting, "Singular matrix" on an exact zero pivot.
template <typename Dense>
Dense lu_solve_dense(const Dense& A, const Dense& B) {
    require_square(A, B.rows());
    Dense LU = A;
    std::vector<Index> piv;
    if (!lu_factor(LU, piv)) throw LinAlgError("Singular matrix");
    return lu_apply(LU, piv, B);
}

}  // namespace

Matrix lstsq(const Matrix& A, const Matrix& B, Cutoff cutoff) {
    require_finite(A, B, cutoff);
    const Index m = A.rows(), n = A.cols();
    if (B.rows() != m) throw InvalidArgument("incompatible dimensions of the matrix and the right-hand side");
    if (n == 0) return Matrix::Zero(0, B.cols());
    if (m == 0) return Matrix::Zero(n, B.cols());
    const double factor = static_cast<double>(std::max(m, n));
    // Solve with A and B scaled by powers of two to entries of order one, so
    // that the sums of squares inside the factorisations neither underflow nor
    // overflow; the cut-off is relative and the scaling is exact.
    const double sa = A.cwiseAbs().maxCoeff(), sb = B.size() > 0 ? B.cwiseAbs().maxCoeff() : 0.0;
    if (sa == 0.0) return Matrix::Zero(n, B.cols());
    const int ea = std::ilogb(sa), eb = sb > 0.0 ? std::ilogb(sb) : 0;
    auto scaled = [](const Matrix& M, int e) { return M.unaryExpr([e](double v) { return std::ldexp(v, -e); }).eval(); };
    Matrix X;
    if (m > n) {
        // Reduce the tall problem to its n x n triangular factor first.
        Eigen::HouseholderQR<Matrix> qr(scaled(A, ea));
        Matrix QtB = qr.householderQ().transpose() * scaled(B, eb);
        Matrix R = qr.matrixQR().topRows(n).triangularView<Eigen::Upper>();
        X = svd_solve(R, QtB.topRows(n), factor, cutoff);
    } else {
        X = svd_solve(scaled(A, ea), scaled(B, eb), factor, cutoff);
    }
    return scaled(X, ea - eb);
}

Vector lstsq(const Matrix& A, const Vector& b, Cutoff cutoff) {
    return lstsq(A, Matrix(b), cutoff).col(0);
}

Vector lstsq_augmented(Matrix& Ab) {
    if (Ab.cols() == 0) throw InvalidArgument("the augmented matrix needs a right-hand side column");
    const Index m = Ab.rows(), n = Ab.cols() - 1;
    if (m <= n) return lstsq(Matrix(Ab.leftCols(n)), Vector(Ab.col(n)), Cutoff::Numpy);
    if (n == 0) {
        if (!Ab.allFinite()) throw LinAlgError("SVD did not converge in Linear Least Squares");
        return Vector();
    }
    householder_triangularise(Ab, n);
    // A non-finite entry stays non-finite through the reflections and
    // reaches the triangle (directly, through a norm or through a product
    // with a reflector) or the residual of b: checking these checks [A b].
    if (!Ab.topRows(n).allFinite() || !Ab.col(n).tail(m - n).allFinite())
        throw LinAlgError("SVD did not converge in Linear Least Squares");
    const Matrix R = Ab.topLeftCorner(n, n).triangularView<Eigen::Upper>();
    const Matrix Qtb = Ab.col(n).head(n);
    return svd_solve(R, Qtb, static_cast<double>(m), Cutoff::Numpy).col(0);
}

Vector singular_values(const Matrix& A) {
    if (A.size() == 0) return Vector();
    Eigen::BDCSVD<Matrix> svd(A);
    return svd.singularValues();
}

Matrix lu_solve(const Matrix& A, const Matrix& B) { return lu_solve_dense(A, B); }

Vector lu_solve(const Matrix& A, const Vector& b) { return lu_solve(A, Matrix(b)).col(0); }

double rcond_1norm(const Matrix& A) {
    if (A.rows() != A.cols() || A.rows() == 0) return 0.0;
    Matrix LU = A;
    std::vector<Index> piv;
    if (!lu_factor(LU, piv)) return 0.0;
    const Matrix inv = lu_apply(LU, piv, Matrix(Matrix::Identity(A.rows(), A.cols())));
    const double anorm = A.cwiseAbs().colwise().sum().maxCoeff();
    const double inorm = inv.cwiseAbs().colwise().sum().maxCoeff();
    if (!(anorm > 0.0) || !(inorm > 0.0) || !std::isfinite(inorm)) return 0.0;
    return 1.0 / (anorm * inorm);
}

Vector scipy_solve(const Matrix& A, const Vector& b, WarningSink& warnings) {
    if (!A.allFinite() || !b.allFinite()) throw InvalidArgument("array must not contain infs or NaNs");
    require_square(A, b.size());
    Matrix LU = A;
    std::vector<Index> piv;
    if (!lu_factor(LU, piv)) throw LinAlgError("Matrix is singular.");
    const double rc = rcond_1norm(A);
    if (rc < kEps) {
        char text[96];
        std::snprintf(text, sizeof text, "%.6g", rc);
        warnings.warn(WarningKind::IllConditioned,
                      "Ill-conditioned matrix (rcond=" + std::string(text) + "): result may not be accurate.");
    }
    return lu_apply(LU, piv, Matrix(b)).col(0);
}

CVector eigenvalues(const Matrix& A) {
    if (A.size() == 0) return CVector();
    if (!A.allFinite()) throw LinAlgError("Array must not contain infs or NaNs");
    Eigen::EigenSolver<Matrix> es(A, /*computeEigenvectors=*/false);
    if (es.info() != Eigen::Success) throw LinAlgError("Eigenvalues did not converge");
    return es.eigenvalues();
}

Matrix expm(const Matrix& A) {
    if (A.size() == 0) return Matrix(A.rows(), A.cols());
    return A.exp();
}

CMatrix lu_solve(const CMatrix& A, const CMatrix& B) { return lu_solve_dense(A, B); }

}  // namespace vantrelpid::util
