#pragma once
// Model forms: state space, multi-input ARMAX polynomials, the stacked
// multivariable model, discretisation with the zero-order hold and its
// inverse, and scaling to engineering units.

#include <vector>

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

// State-space form of num_j / den (one input per numerator row).
StateSpace armax2ss(const Vector& den, const Matrix& num);
// Polynomial form of a one-output state-space model.
ArmaxModel ss2armax(const StateSpace& model);

// Block-diagonal joining (P upper left); an empty P gives M.
Matrix tt_ac(const Matrix& P, const Matrix& M);
// P stacked above M; an empty P gives M.
Matrix tt_bd(const Matrix& P, const Matrix& M);

// The one-output model of output i of a stacked model with orders `ords`.
StateSpace get_sub(const StateSpace& model, const std::vector<Index>& ords, Index i);

// The stacked model identified on scaled data, in engineering units.
StateSpace unscale(const StateSpace& model, const Vector& STDu, const Vector& STDy,
                   const std::vector<Index>& ords);
// A response matrix in pair columns (i * nu + j) in engineering units.
Matrix frunscal(const Matrix& G, const Vector& STDu, const Vector& STDy);

// Zero-order-hold discretisation of num(s)/den(s) (descending powers of s)
// with sample time Ts: numerator and monic denominator of equal length in
// descending powers of z. Leading zeros of num and den are stripped first.
TransferFunction c2dm2(const Vector& num, const Vector& den, double Ts);
// Its inverse: a monic denominator in s and a numerator beginning with 0,
// of the lengths of the discrete vectors.
TransferFunction d2cm2(const Vector& numd, const Vector& dend, double Ts);

}  // namespace vantrelpid::util
