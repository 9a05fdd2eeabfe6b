#pragma once
// ARX prediction errors and spectral density matrices: what the model-error
// bound needs of the data.

#include <string_view>
#include <vector>

#include "vantrelpid/types.hpp"

namespace vantrelpid::util {

// Prediction errors of the ARX model Ap(q) y = sum_j Bp_j(q) u_j + e:
//     e(t) = sum_k Ap[k] y(t - k) - sum_j sum_l Bp(j, l) u_j(t - l),
// with zero samples before the record. Ud holds the (already delayed) inputs,
// one column per row of Bp; y one value per row of Ud.
Vector arxpe(const Vector& Ap, const Matrix& Bp, const Matrix& Ud, const Vector& y);

// Spectral density matrices of the columns of Z (N x m) at the frequencies w
// (radians per sample): one m x m Hermitian, positive semi-definite matrix
// per frequency,
//     Phi_ab(w) = sum_{|tau| <= L} win(tau) R_ab(tau) exp(-i w tau),
// from the biased covariances R_ab(tau) = (1/N) sum_t z_a(t + tau) z_b(t)
// (no mean removal) with the lag window `window` of width L = min(M, N - 1).
// No 1/(2 pi): white noise of variance s has the flat spectrum s.
// Windows: "P", Parzen's, the only one; any other raises InvalidArgument.
// A negative M raises InvalidArgument. Z without samples gives zeros.
std::vector<CMatrix> crsspct(const Matrix& Z, Index M, const Vector& w, std::string_view window);

// At each frequency f, the diagonal of the inverse of Phi[f][:n, :n] (the
// leading block as a Python slice selects it): a len(Phi) x n' complex
// matrix. A singular block raises LinAlgError("Singular matrix"); matrices
// of different sizes raise InvalidArgument. Without frequencies the result
// has max(n, 0) columns.
CMatrix fiinvdia(const std::vector<CMatrix>& Phi, Index n);

}  // namespace vantrelpid::util
