#pragma once
// Upper bound of the model error of a multi-input high-order ARX model over
// the frequency grid, and a grade "A" to "D" for each input's model.

#include <vector>

#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid {

struct GradedBound {
    std::vector<char> grades;  // per input: 'A', 'B', 'C', 'D', or '?' for a ratio that is not a number
    Vector nonD;               // per input: 0.0 where the grade is 'D', else 1.0
    Matrix BND;                // len(w) x nu: the bound of the error of each input's response
};

// Upper limits of the grades 'A', 'B' and 'C' (each limit belongs to the better
// grade); above the last one an input's model is graded 'D'.
inline constexpr double kGradeLimitA = 0.3;
inline constexpr double kGradeLimitB = 0.6;
inline constexpr double kGradeLimitC = 0.99;
// Grid points of the grade window: the first 4 for an integrating output,
// else the first 10.
inline constexpr Index kGradeWindowIntegrating = 4;
inline constexpr Index kGradeWindow = 10;

// The grade of a weighted bound-to-response ratio ('?' when it is not a number).
char grade_of(double ratio);

// The error bound of the model `arx` (denominator Aphk, one numerator row per
// input, delays held apart) of one output:
//   BND[f, i] = 3 sqrt(c |H(w_f)|^2 s2 |[Phi^-1(w_f)]_ii|),
// where H = 1 / Aphk, s2 the sample variance of the prediction errors, Phi the
// joint spectrum of the inputs and the prediction errors on the selected
// samples (without the first min(round(N / 8), 150) - 1 of them), and
// c = na / Nbnd * (Nbnd + P) / (Nbnd - P) with P = na (nu + 1) parameters.
// Grades weigh bound and response with the prefilter amplitude and the
// response over the grade window.
// Ghk: the model's response on w (at least the grade window's rows, nu
// columns); U: the centred inputs (N_rec x nu); Yk: the output (N_rec);
// Delayk: the input delays; SliceSamp: the 1-based selected samples.
// Nbnd equal to 0 or to P raises DivisionByZero, any other Nbnd below P gives
// a NaN bound and '?' grades; len(w) must equal the rows of Ghk
// (InvalidArgument); sample numbers outside
// 1..N_rec raise OutOfRange; an empty selection raises InvalidArgument.
GradedBound ceilband(const util::ArmaxModel& arx, const CMatrix& Ghk, const Matrix& U, const Vector& Yk,
                     const Vector& w, double Nbnd, const IntVector& Delayk, const IntVector& SliceSamp,
                     bool integrating);
// The same with sample numbers already checked against the record.
GradedBound ceilband(const util::ArmaxModel& arx, const CMatrix& Ghk, const Matrix& U, const Vector& Yk,
                     const Vector& w, double Nbnd, const IntVector& Delayk, const CheckedSamples& SliceSamp,
                     bool integrating);

}  // namespace vantrelpid
