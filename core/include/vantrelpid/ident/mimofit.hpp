#pragma once
// Multivariable identification: output by output, three high-order ARX
// candidates, the one with the best penalised simulation error, its frequency
// response, error bound and grade, its reduction to a low-order model, and
// the low-order models stacked into one discrete state-space model in
// engineering units.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid {

inline constexpr Index kMinIdentificationSamples = 150;
inline constexpr Index kMaxIdentificationInputs = 6;
inline constexpr Index kMaxIdentificationOutputs = 5;
// The generator is seeded once per call, before the first output.
inline constexpr std::int64_t kIdentificationSeed = 798;
// Orders of the three ARX candidates, lowest first.
inline constexpr std::array<std::int64_t, 3> kCandidateOrders{12, 16, 22};
// Longest start-up stretch left out of the candidates' comparison, and the
// most samples the error bound may use.
inline constexpr std::int64_t kMaxStartupSkip = 100;
inline constexpr std::int64_t kMaxBoundSamples = 8000;

// The per-output arguments, each read when the loop reaches output i, in this
// order: the slice selection checked against the record of n_rows samples
// (checked_selection of the output's table), the integrating flag, the
// delays from every input in samples.
struct OutputArguments {
    std::function<CheckedSelection(Index i, Index n_rows)> selection;
    std::function<bool(Index)> integrating;
    std::function<IntVector(Index)> delays;
};

struct MultivariableModel {
    util::StateSpace model;    // A, B, C, D in engineering units
    std::vector<Index> ORDS;   // states of each output's model, output 0 first
    std::vector<char> Grade;   // ny x nu grades, row-major: 'A' to 'D', '?' for a ratio that is not a number
    Matrix Gh;                 // 175 x nu*ny response magnitudes, pair (i, j) in column i*nu + j
    Matrix BND_shw;            // 175 x nu*ny error bounds, same columns
    Vector w;                  // the frequency grid
    Vector meanU, STDu;        // nu: input offsets and scales over the outputs
    Vector meanY, STDy;        // ny: output offsets and scales
};

// The penalised criterion of a candidate with `parameters` parameters whose
// error variance on `selected` samples is V: (Ni + d) / (Ni - d) * V, and
// +infinity when Ni <= d (a factor of zero or below would make an
// over-parameterised candidate win).
double candidate_criterion(std::int64_t selected, std::int64_t parameters, double V);

// The candidate np.argmin picks: the first smallest criterion (a NaN counts
// as the smallest, as in numpy).
Index chosen_candidate(const std::array<double, 3>& criteria);

// u: N_u x nu inputs, y: N_y x ny outputs, both cut to their common length.
// Checks, in this order: a u or y without rows (or columns) raises InvalidArgument "Not enough
// input arguments"; fewer than 150 common samples "Sample number too small
// (< 150)"; more than 6 inputs "Number of MVs too large (> 6)"; more than 5
// outputs "Number of CVs too large (> 5)"; a non-finite value anywhere in the
// records cut to their common length (require_finite_record). Nothing is
// drawn before them. Then seeds `random` with 798 and draws as the
// preprocessing of each output does; each reduction polls `cancel`.
// Exceptions of the services pass unchanged.
MultivariableModel mimofit(const Matrix& u, const Matrix& y, const OutputArguments& args, RandomSource& random,
                           const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid
