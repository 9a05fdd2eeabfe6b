#pragma once
// Dense linear algebra behind plain function interfaces. Eigen's
// decompositions are compiled in one translation unit (linalg.cpp).

#include <limits>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/warnings.hpp"

namespace vantrelpid::util {

// Cut-off conventions for singular values of a least-squares problem.
enum class Cutoff {
    Numpy,  // numpy.linalg.lstsq(rcond=None): eps * max(rows, cols) * sigma_max
    Scipy,  // scipy.linalg.lstsq defaults: eps * sigma_max
};

// Minimum-norm least-squares solution of A x = b: singular values at or
// below the cut-off count as zero. Tall matrices are reduced by a Householder
// QR first and the SVD is taken of R. Non-finite entries raise InvalidArgument
// ("array must not contain infs or NaNs").
Vector lstsq(const Matrix& A, const Vector& b, Cutoff cutoff);
Matrix lstsq(const Matrix& A, const Matrix& B, Cutoff cutoff);

// The same minimum-norm solution with numpy's cut-off for a problem given as
// the augmented matrix [A b], which is overwritten: one Householder QR of
// the augmented matrix yields R and Q^T b together. For fits that solve many
// tall, narrow problems in one buffer.
Vector lstsq_augmented(Matrix& Ab);

// Singular values of A, in descending order.
Vector singular_values(const Matrix& A);

// Solve A x = b by LU with partial pivoting, as LAPACK's getrf/getrs do
// (numpy.linalg.solve). An exact zero pivot raises LinAlgError("Singular matrix").
Vector lu_solve(const Matrix& A, const Vector& b);
Matrix lu_solve(const Matrix& A, const Matrix& B);
// The complex case (numpy.linalg.solve and inv of complex matrices): the
// pivot is the first entry of largest |re| + |im| in its column, as LAPACK's
// zgetrf chooses it.
CMatrix lu_solve(const CMatrix& A, const CMatrix& B);

// scipy.linalg.solve with its defaults: LU with partial pivoting; an exact
// zero pivot raises LinAlgError("Matrix is singular."); a reciprocal condition
// number below eps is reported to `warnings` as scipy's LinAlgWarning.
Vector scipy_solve(const Matrix& A, const Vector& b, WarningSink& warnings);

// Reciprocal 1-norm condition number of a square matrix (0 when singular).
double rcond_1norm(const Matrix& A);

// Eigenvalues of a general real matrix (order as the Hessenberg QR gives them).
CVector eigenvalues(const Matrix& A);

// Matrix exponential of a real square matrix: Eigen's scaling and squaring
// (MatrixBase::exp(), Pade approximants of degree 3 to 13) with the same
// operations in the same order, so the result is Eigen's bit for bit, but
// with `cancel` polled between the matrix products, the squarings and the
// panels of the Pade solve. Large products are split into row panels and the
// solve into column panels (linalg.cpp says why each panel's entries are
// those of the whole). What stays in one piece: a product of at most 256
// rows or one panel of a larger one, and the LU factorisation of the Pade
// denominator.
Matrix expm(const Matrix& A, const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid::util
