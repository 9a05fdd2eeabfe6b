#pragma once
// Model forms: state space, multi-input ARMAX polynomials, the stacked
// multivariable model, discretisation with the zero-order hold and its
// inverse, and scaling to engineering units.

#include <vector>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/util/filters.hpp"

namespace vantrelpid::util {

struct StateSpace {
    Matrix A, B, C, D;
};

// One output's polynomial model: monic denominator, one numerator row per input.
struct ArmaxModel {
    Vector den;
    Matrix num;
};

// State-space form of num_j / den (one input per numerator row), in powers of
// z^-1 with num(j, 0) the direct feedthrough: the observer canonical form
// (A with -a in its first column and ones on its superdiagonal, C = [1, 0,
// ...], D = num(:, 0)^T). Shorter polynomials are padded with zero
// coefficients of the higher lags; den is normalised by den(0), which must
// not be zero.
StateSpace armax2ss(const Vector& den, const Matrix& num);
// Polynomial form of a one-output state-space model: the monic denominator
// and one numerator row per input, both of n + 1 coefficients. The
// observer canonical form is read back exactly; any other realisation goes
// through the eigenvalues of A and the Markov parameters C A^k B.
ArmaxModel ss2armax(const StateSpace& model);

// Block-diagonal joining (P upper left); an empty P gives M.
Matrix tt_ac(const Matrix& P, const Matrix& M);
// P stacked above M; an empty P gives M.
Matrix tt_bd(const Matrix& P, const Matrix& M);

// The one-output model of output i of a stacked model whose per-output
// orders are `ords` (the states of output 0 come first). Sizes that do not
// fit raise InvalidArgument, an i outside the outputs OutOfRange.
// The model's matrices must fit together as state space: A square, B one row
// and C one column per state, D outputs x inputs (InvalidArgument naming the
// first that does not).
void check_model(const StateSpace& m);

StateSpace get_sub(const StateSpace& model, const std::vector<Index>& ords, Index i);

// The stacked model identified on scaled data (inputs u / STDu, outputs
// y / STDy), in engineering units: A and C are kept, the rows of B that hold
// output i's states and row i of D are multiplied by STDy[i], and column j
// of B and D divided by STDu[j]. A zero in STDu raises InvalidArgument.
StateSpace unscale(const StateSpace& model, const Vector& STDu, const Vector& STDy,
                   const std::vector<Index>& ords);
// A response matrix in pair columns (i * nu + j) in engineering units: column
// i * nu + j times STDy[i] / STDu[j]; G must have nu * ny columns.
Matrix frunscal(const Matrix& G, const Vector& STDu, const Vector& STDy);

// A one-input, one-output model with its gain modified (B one column, C one
// row; other shapes, and matrices whose sizes do not fit, raise
// InvalidArgument). First the poles: if the spectral radius rho of A (the
// largest |eigenvalue|) is 1 or more, A is scaled by r / rho, so a model
// identified as unstable gets its slowest pole at radius r and its step
// response stays bounded; a stable model keeps its poles. Then the level:
// with the static gain G0 = C (I - A)^-1 B + D, C and D are scaled by g / G0
// when G0 is finite and not zero (I - A not exactly singular), so the step
// response settles exactly on g. B is kept. A g that is not finite or an r
// that is not positive and finite raises InvalidArgument; non-finite
// matrices raise LinAlgError, as numpy's eigenvalues do.
StateSpace gainmodifyss(const StateSpace& model, double g, double r);

// Zero-order-hold discretisation of num(s)/den(s) (descending powers of s)
// with sample time Ts: numerator and monic denominator of equal length n + 1
// in descending powers of z, n the degree of den. Leading zeros of num and
// den are stripped first; the results are not stripped, so a strictly proper
// model gives a numerator that begins with 0. Raises InvalidArgument for an
// all-zero den, a numerator of higher degree than den, non-finite
// coefficients and Ts <= 0. `cancel` is polled between the steps of the
// matrix exponential (linalg.hpp), the Markov parameters and the polynomial
// loops; the roots of den (one eigenvalue problem) cannot be interrupted.
TransferFunction c2dm2(const Vector& num, const Vector& den, double Ts,
                       const Cancellation& cancel = Cancellation::never());
// Its inverse: a monic denominator in s and a numerator (beginning with 0
// when numd does), both of max(len(numd), len(dend)) coefficients. Poles at
// 1 come back as integrators (poles at exactly 0 in s). A real discrete pole
// at 0 or on the negative real axis has no continuous counterpart under the
// hold: it is taken as the positive pole of the same magnitude, at least
// sqrt(eps) (a continuous pole at about -18 / Ts), and the numerator is
// rescaled so that the static gain stays the same. A model whose continuous
// equivalent does not reproduce it under the hold to 1e-6 (several poles at
// 0, a dead time in disguise) raises InvalidArgument, as do the errors of
// c2dm2. A sample time that aliases complex poles gives the principal-branch
// model, whose hold is the given one.
TransferFunction d2cm2(const Vector& numd, const Vector& dend, double Ts);

}  // namespace vantrelpid::util
