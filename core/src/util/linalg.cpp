// Eigen's decompositions live here, behind the plain interfaces of linalg.hpp,
// so that the rest of the core compiles against Eigen/Core alone.

#include "vantrelpid/util/linalg.hpp"

#include <Eigen/Eigenvalues>
#include <Eigen/LU>
#include <Eigen/QR>
#include <Eigen/SVD>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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

// The matrix exponential, polled. Eigen's GEMM computes each entry of a
// product as a sum over the inner dimension in blocks of kc terms, and kc
// depends on the inner dimension alone (and the cache size); the order of the
// terms within a block depends on the register path that takes the entry's
// row, which is fixed by the row's place among the blocks of mr rows (4 here,
// up to 24 with wider vector units) counted from the first row. A row panel
// that starts at a multiple of 48 rows and has at least two rows (one row
// would take the matrix-vector product) therefore gives each of its entries
// bit for bit as the whole product does. Likewise the triangular solves of an
// LU factorisation treat the columns of the right-hand side on their own, in
// register blocks of 4 columns, so a column panel starting at a multiple of
// 48 gives the columns of the whole solve. tests/cpp/test_expm.cpp holds the
// result to Eigen's exp() bit for bit, panels included.
constexpr Index kLargestUnsplit = 256;  // rows of a product, columns of the solve; no ordinary model reaches it
constexpr Index kPanel = 240;           // rows or columns, a multiple of 48

// The first offset and count of each panel of `size` rows or columns: panels
// of kPanel, the last one taking the rest (kPanel to 2 kPanel - 1).
template <class Body>
void in_panels(Index size, const Cancellation& cancel, Body body) {
    for (Index start = 0; start < size;) {
        const Index count = size - start < 2 * kPanel ? size - start : kPanel;
        body(start, count);
        start += count;
        cancel.poll();
    }
}

Matrix product(const Matrix& X, const Matrix& Y, const Cancellation& cancel) {
    cancel.poll();
    if (X.rows() <= kLargestUnsplit) return X * Y;
    Matrix R(X.rows(), Y.cols());
    in_panels(X.rows(), cancel,
              [&](Index start, Index rows) { R.middleRows(start, rows).noalias() = X.middleRows(start, rows) * Y; });
    return R;
}

// denom.partialPivLu().solve(numer), the solve in column panels.
Matrix pade_quotient(const Matrix& numer, const Matrix& denom, const Cancellation& cancel) {
    cancel.poll();
    const Eigen::PartialPivLU<Matrix> lu(denom);
    if (numer.cols() <= kLargestUnsplit) return lu.solve(numer);
    Matrix E(numer.rows(), numer.cols());
    cancel.poll();
    in_panels(numer.cols(), cancel,
              [&](Index start, Index cols) { E.middleCols(start, cols) = lu.solve(numer.middleCols(start, cols)); });
    return E;
}

// The (m, m) Pade approximant for m = 3, 5, 7, 9, with b its m + 1
// coefficients: (V + U) / (V - U), U = A (b_m A^(m-1) + ... + b_3 A^2 + b_1 I)
// and V = b_(m-1) A^(m-1) + ... + b_2 A^2 + b_0 I, the sums taken from the
// highest power down and A^4 = A^2 A^2, A^6 = A^4 A^2, A^8 = A^6 A^2.
void pade_low(const Matrix& A, const double* b, int m, Matrix& U, Matrix& V, const Cancellation& cancel) {
    const Index n = A.rows();
    std::vector<Matrix> even{Matrix::Identity(n, n), product(A, A, cancel)};  // A^0, A^2, ..., A^(m-1)
    for (int k = 2; 2 * k < m; ++k) even.push_back(product(even[k - 1], even[1], cancel));
    const int top = (m - 1) / 2;
    Matrix odd = b[m] * even[top];
    V = b[m - 1] * even[top];
    for (int k = top - 1; k >= 0; --k) {
        odd = odd + b[2 * k + 1] * even[k];
        V = V + b[2 * k] * even[k];
    }
    U = product(A, odd, cancel);
}

void pade13(const Matrix& A, Matrix& U, Matrix& V, const Cancellation& cancel) {
    static const double b[] = {64764752532480000.L, 32382376266240000.L, 7771770303897600.L, 1187353796428800.L,
                               129060195264000.L,   10559470521600.L,    670442572800.L,     33522128640.L,
                               1323241920.L,        40840800.L,          960960.L,           16380.L,
                               182.L,               1.L};
    const Index n = A.rows();
    const Matrix A2 = product(A, A, cancel);
    const Matrix A4 = product(A2, A2, cancel);
    const Matrix A6 = product(A4, A2, cancel);
    V = b[13] * A6 + b[11] * A4 + b[9] * A2;
    Matrix tmp = product(A6, V, cancel);
    tmp += b[7] * A6 + b[5] * A4 + b[3] * A2 + b[1] * Matrix::Identity(n, n);
    U = product(A, tmp, cancel);
    tmp = b[12] * A6 + b[10] * A4 + b[8] * A2;
    V = product(A6, tmp, cancel);
    V += b[6] * A6 + b[4] * A4 + b[2] * A2 + b[0] * Matrix::Identity(n, n);
}

// U, V and the number of squarings of exp(A) as Eigen chooses them for
// double: the lowest degree whose error bound the 1-norm of A meets, else
// degree 13 on A / 2^s.
int pade_step(const Matrix& A, Matrix& U, Matrix& V, const Cancellation& cancel) {
    static const double b3[] = {120.L, 60.L, 12.L, 1.L};
    static const double b5[] = {30240.L, 15120.L, 3360.L, 420.L, 30.L, 1.L};
    static const double b7[] = {17297280.L, 8648640.L, 1995840.L, 277200.L, 25200.L, 1512.L, 56.L, 1.L};
    static const double b9[] = {17643225600.L, 8821612800.L, 2075673600.L, 302702400.L, 30270240.L,
                                2162160.L,     110880.L,     3960.L,       90.L,        1.L};
    const double l1norm = A.cwiseAbs().colwise().sum().maxCoeff();
    if (l1norm < 1.495585217958292e-002) {
        pade_low(A, b3, 3, U, V, cancel);
    } else if (l1norm < 2.539398330063230e-001) {
        pade_low(A, b5, 5, U, V, cancel);
    } else if (l1norm < 9.504178996162932e-001) {
        pade_low(A, b7, 7, U, V, cancel);
    } else if (l1norm < 2.097847961257068e+000) {
        pade_low(A, b9, 9, U, V, cancel);
    } else {
        const double maxnorm = 5.371920351148152;
        int squarings = 0;
        std::frexp(l1norm / maxnorm, &squarings);
        if (squarings < 0) squarings = 0;
        const Matrix scaled = A.unaryExpr([squarings](double x) { return std::ldexp(x, -squarings); });
        pade13(scaled, U, V, cancel);
        return squarings;
    }
    return 0;
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

Matrix expm(const Matrix& A, const Cancellation& cancel) {
    if (A.size() == 0) return Matrix(A.rows(), A.cols());
    Matrix U, V;
    const int squarings = pade_step(A, U, V, cancel);
    const Matrix numer = U + V;
    const Matrix denom = -U + V;
    Matrix E = pade_quotient(numer, denom, cancel);
    for (int i = 0; i < squarings; ++i) E = product(E, E, cancel);
    return E;
}

CMatrix lu_solve(const CMatrix& A, const CMatrix& B) { return lu_solve_dense(A, B); }

}  // namespace vantrelpid::util
