#include "vantrelpid/fit/compactfit.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/fit/freqshrink.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/simulation.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

// Errors of this size or more mark a diverged simulation.
constexpr double kDivergenceLimit = 1e31;
// A candidate whose error variance exceeds this many times the output's
// variance has its score multiplied by the same factor.
constexpr double kLargeErrorRatio = 30.0;
constexpr double kOrderPenalty = 0.03;
constexpr std::int64_t kMaxSkip = 50;

// The running maximum of |e| seeded with the first error: a later NaN never
// replaces it (the comparison is false), a NaN seed is never replaced.
double running_peak(const Vector& errors) {
    double peak = std::abs(errors(0));
    for (Index k = 1; k < errors.size(); ++k) {
        const double a = std::abs(errors(k));
        if (a > peak) peak = a;
    }
    return peak;
}

}  // namespace

double asyc_score(const Vector& errors, double output_variance, Index n_inputs, Index order) {
    if (errors.size() == 0) throw InvalidArgument("the score needs at least one selected error");
    if (!(running_peak(errors) < kDivergenceLimit)) return kDivergedOrderScore;

    const std::int64_t N = errors.size();
    const std::int64_t skip = std::min(kMaxSkip, pynum::round_ratio(N, 10));
    const std::int64_t d = (n_inputs + 1) * (order + 1);
    if (N == d) throw DivisionByZero("division by zero");
    const double fpe = static_cast<double>(N + d) / static_cast<double>(N - d);
    double score = fpe * util::var(errors.tail(N - skip)) * (1.0 + kOrderPenalty * static_cast<double>(order));
    if (util::var(errors) / output_variance > kLargeErrorRatio) score = score * kLargeErrorRatio;
    return score;
}

Index best_candidate(const std::vector<double>& scores) {
    if (scores.empty()) throw InvalidArgument("no candidate to choose from");
    const auto as_number = [](double s) { return std::isnan(s) ? std::numeric_limits<double>::infinity() : s; };
    Index best = 0;
    for (Index k = 1; k < static_cast<Index>(scores.size()); ++k)
        if (as_number(scores[static_cast<std::size_t>(k)]) < as_number(scores[static_cast<std::size_t>(best)]))
            best = k;
    return best;
}

util::ArmaxModel compactfit(const util::ArmaxModel& high, const Matrix& U, const Vector& Y, const IntVector& Delay,
                            const IntVector& SlSampk, const Matrix& BNDk, const Vector& wln,
                            const Cancellation& cancel) {
    return compactfit(high, U, Y, Delay, CheckedSamples(SlSampk, Y.size()), BNDk, wln, cancel);
}

util::ArmaxModel compactfit(const util::ArmaxModel& high, const Matrix& U, const Vector& Y, const IntVector& Delay,
                            const CheckedSamples& SlSampk, const Matrix& BNDk, const Vector& wln,
                            const Cancellation& cancel) {
    if (SlSampk.size() == 0) throw InvalidArgument("SlSampk selects no samples");
    const Matrix W = BNDk.cwiseInverse();
    const double output_variance = util::var(Y);
    Matrix Ud;

    std::vector<util::ArmaxModel> candidates;
    std::vector<double> scores;
    for (Index n = kLowestOrder; n <= kHighestOrder; ++n) {
        cancel.poll();
        ReducedModel reduced = freqshrink(high.den, high.num, W, W, n, kReductionIterations, wln, cancel);
        if (n == kLowestOrder) {
            // The shapes of the record are first needed by the simulation.
            if (U.rows() != Y.size()) {
                throw InvalidArgument("U and Y must have the same number of samples: " + std::to_string(U.rows()) +
                                      " and " + std::to_string(Y.size()));
            }
            Ud = util::add_dly(U, Delay);
        }
        const Vector simulated = util::misosim(reduced.Ap, reduced.Bp, Ud);
        const Vector errors = select_rows(Vector(Y - simulated), SlSampk);
        scores.push_back(asyc_score(errors, output_variance, U.cols(), n));
        candidates.push_back({std::move(reduced.Ap), std::move(reduced.Bp)});
    }
    return candidates[static_cast<std::size_t>(best_candidate(scores))];
}

}  // namespace vantrelpid
