#pragma once
// Low-order model selection: the frequency-weighted reductions of a
// high-order ARX model to the orders 1 to 10, each simulated against the
// record and scored by a final-prediction-error criterion with an order
// penalty; the best-scoring process model wins.

#include <vector>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid {

inline constexpr Index kLowestOrder = 1;
inline constexpr Index kHighestOrder = 10;
inline constexpr Index kReductionIterations = 20;
// Score of a candidate whose simulation diverged.
inline constexpr double kDivergedOrderScore = 1e30;

// The score of a candidate of order `order` from its simulation errors on the
// selected samples (in selection order), for a model of `n_inputs` inputs;
// `output_variance` is the population variance of the whole output record.
//  - The largest error magnitude, as a running maximum seeded with the first
//    error that a NaN never replaces, must stay below 1e31; otherwise (or when
//    the first error is NaN) the score is kDivergedOrderScore.
//  - Else ((N + d) / (N - d)) * var(errors[M:]) * (1 + 0.03 order), with
//    d = (n_inputs + 1)(order + 1) and M = min(50, round(N / 10)) (halves to
//    even), multiplied by 30 when var(errors) / output_variance > 30.
// N = d raises DivisionByZero; an empty error vector raises InvalidArgument.
double asyc_score(const Vector& errors, double output_variance, Index n_inputs, Index order);

// The position of the first smallest score; a score that is not a number
// counts as +infinity. An empty list raises InvalidArgument.
Index best_candidate(const std::vector<double>& scores);

// Selects the low-order model of one output. `high` is the high-order model
// (denominator, one numerator row per input), U the inputs of the whole record
// (N_rec x nu), Y the output record, Delay the input delays in samples,
// SlSampk the 1-based selected sample numbers (each in 1..N_rec, else
// OutOfRange), BNDk the model-error bound on the grid wln (len(wln) x nu),
// whose reciprocal weights each reduction.
// Every reduction polls `cancel`.
util::ArmaxModel compactfit(const util::ArmaxModel& high, const Matrix& U, const Vector& Y, const IntVector& Delay,
                            const IntVector& SlSampk, const Matrix& BNDk, const Vector& wln,
                            const Cancellation& cancel = Cancellation::never());
// The same with sample numbers already checked against the record.
util::ArmaxModel compactfit(const util::ArmaxModel& high, const Matrix& U, const Vector& Y, const IntVector& Delay,
                            const CheckedSamples& SlSampk, const Matrix& BNDk, const Vector& wln,
                            const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid
