#include "vantrelpid/arx/deadtime.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "vantrelpid/arx/delay_equations.hpp"
#include "vantrelpid/arx/seglsq.hpp"
#include "vantrelpid/errors.hpp"
#include "vantrelpid/prep/fitclean.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace detail {

namespace {

// Samples simulated per block: the block's inputs and outputs stay in cache
// while every term is added to them.
constexpr Index kSimulationBlock = 2048;

// G models simulated together; see simulate_delayed.
template <int G>
Matrix simulate_group(const Matrix& U, std::span<const ArxModel> models, const IntVector& delays) {
    const Index N = U.rows(), nu = U.cols(), nb = models[0].num.cols(), na = models[0].den.size() - 1;
    double a[G][kMaxSimulatedOrder + 1];
    for (int c = 0; c < G; ++c)
        for (Index k = 0; k <= na; ++k) a[c][k] = models[c].den(k);
    Matrix y = Matrix::Zero(N, G);
    for (Index t0 = 0; t0 < N; t0 += kSimulationBlock) {
        const Index t1 = std::min(N, t0 + kSimulationBlock);
        // The inputs' part of misosim's sum at each sample t of the block:
        // over input j, then lag l <= min(nb - 1, t), b_jl u_j(t - l - d), an
        // input sample before the record counting as a zero product. No
        // recursion: each term goes to the whole block at once, every
        // sample's terms in misosim's order.
        for (int c = 0; c < G; ++c) {
            const Index d = delays(c);
            for (Index j = 0; j < nu; ++j) {
                for (Index l = 0; l < nb; ++l) {
                    const double b = models[c].num(j, l);
                    // Samples first..inside-1 read before the record; inside..t1-1 read
                    // u_j from row inside - l - d >= 0 on.
                    const Index first = std::max(t0, l);
                    if (first >= t1) continue;
                    const Index inside = std::min(t1, std::max(first, l + d));
                    y.col(c).segment(first, inside - first).array() += b * 0.0;
                    if (inside < t1)
                        y.col(c).segment(inside, t1 - inside) += b * U.col(j).segment(inside - l - d, t1 - inside);
                }
            }
        }
        // The recursion: minus the sum over k <= min(na, t) of a_k y(t - k),
        // then divided by a_0. The G recursions are independent; side by
        // side they overlap instead of each waiting on its own additions.
        for (Index t = t0; t < t1; ++t) {
            double v[G];
            for (int c = 0; c < G; ++c) v[c] = y(t, c);
            const Index kmax = std::min<Index>(na, t);
            for (Index k = 1; k <= kmax; ++k) {
#pragma GCC unroll 4
                for (int c = 0; c < G; ++c) v[c] -= a[c][k] * y(t - k, c);
            }
#pragma GCC unroll 4
            for (int c = 0; c < G; ++c) y(t, c) = v[c] / a[c][0];
        }
    }
    return y;
}

}  // namespace

Matrix simulate_delayed(const Matrix& U, std::span<const ArxModel> models, const IntVector& delays) {
    const Index count = static_cast<Index>(models.size());
    if (delays.size() != count || count == 0 || count > kSimulatedTogether)
        throw InvalidArgument("simulate_delayed takes 1 to " + std::to_string(kSimulatedTogether) +
                              " models and one delay per model");
    for (Index c = 0; c < count; ++c) {
        const ArxModel& m = models[static_cast<std::size_t>(c)];
        if (m.num.rows() != U.cols() || m.num.cols() != models[0].num.cols() ||
            m.den.size() != models[0].den.size() || m.den.size() == 0 || m.den.size() > kMaxSimulatedOrder + 1 ||
            m.den(0) == 0.0 || delays(c) < 0)
            throw InvalidArgument("simulate_delayed needs models of one shape and order at most " +
                                  std::to_string(kMaxSimulatedOrder) + ", one numerator row per input, "
                                  "a nonzero leading denominator coefficient and delays >= 0");
    }
    switch (count) {
        case 1: return simulate_group<1>(U, models, delays);
        case 2: return simulate_group<2>(U, models, delays);
        case 3: return simulate_group<3>(U, models, delays);
        default: return simulate_group<4>(U, models, delays);
    }
}

}  // namespace detail

namespace {

constexpr Index kMinSamples = 150;
constexpr std::int64_t kSearchOrder = 10;
constexpr double kDivergenceLimit = 1e8;
// Selected samples left out of the error variance: the simulation starts
// from rest.
constexpr Index kStartupSamples = 60;

// The score of one candidate from its simulated output (all N samples):
// the error on the selected samples, relative to the output's variance there.
DelayScore score_simulation(const PreparedSignals& prep, const CheckedSelection& sel,
                            const Eigen::Ref<const Vector>& simulated, double output_variance) {
    const Index M = sel.samples.size();
    Vector error(M);
    bool diverged = false;
    for (Index m = 0; m < M; ++m) {
        const Index row = sel.samples.row(m);
        error(m) = prep.yn(row) - simulated(row);
        if (std::abs(error(m)) > kDivergenceLimit) diverged = true;
    }
    if (diverged) return {kDivergedScore, true};
    const Index kept = M > kStartupSamples ? M - kStartupSamples : 0;
    return {util::var(error.tail(kept)) / output_variance, false};
}

// The scores of one output's candidates: for each, the sliced estimate of
// order 10 over the selected slices with the delay on every input, as
// seglsq fits it, simulated on the delayed inputs. The candidates share the
// slice plan and one set of FFT correlations per slice (delay_equations.hpp),
// and their simulations run a few at a time in one pass over the record.
// Every estimate and every group of simulations polls `cancel`.
std::vector<DelayScore> score_candidates(const PreparedSignals& prep, const CheckedSelection& sel,
                                         const IntVector& candidates, RandomSource& random, WarningSink& warnings,
                                         const Cancellation& cancel) {
    const std::vector<detail::SlicePlan> plan = detail::sliced_estimate_plan(sel.slices, prep.Un.rows(), kSearchOrder);
    // Each candidate's sliced estimate would reseed and make the same draws,
    // which do not enter its result: made once, they leave the generator as
    // the last of them would. The first candidate, 1, fits every planned
    // slice (each holds at least order + 1 samples), so its estimate would
    // have drawn before any failure of its own.
    random.seed(kSlicedEstimateSeed);
    random.randn(prep.yn.size());

    // All estimates first: a failing one raises after the same warnings as
    // before, and the simulations neither warn nor fail.
    const detail::DelayedNormalEquations equations(prep.Un, prep.yn, plan, kSearchOrder, candidates.maxCoeff());
    std::vector<ArxModel> models;
    for (Index c = 0; c < candidates.size(); ++c) {
        cancel.poll();
        detail::check_delays_fit(plan, IntVector::Constant(1, candidates(c)));
        models.push_back(equations.estimate(candidates(c), warnings));
    }

    Vector output(sel.samples.size());
    for (Index m = 0; m < output.size(); ++m) output(m) = prep.yn(sel.samples.row(m));
    const double output_variance = util::var(output);
    std::vector<DelayScore> scores;
    for (Index first = 0; first < candidates.size(); first += detail::kSimulatedTogether) {
        cancel.poll();
        const Index count = std::min(detail::kSimulatedTogether, candidates.size() - first);
        const Matrix simulated =
            detail::simulate_delayed(prep.Un, {models.data() + first, static_cast<std::size_t>(count)},
                                     candidates.segment(first, count));
        for (Index c = 0; c < count; ++c)
            scores.push_back(score_simulation(prep, sel, simulated.col(c), output_variance));
    }
    return scores;
}

std::string failure_message(Index k, DelayChoiceFailure failure) {
    const std::string head = "Dead-time search failed for output " + std::to_string(k) + ": ";
    if (failure == DelayChoiceFailure::Diverged)
        return head + "no candidate delay scored below the divergence placeholder 10000";
    return head + "the smallest score is not a finite number";
}

}  // namespace

DelaySearch deadtime(const Matrix& MVdata, const Matrix& CVdata, const DelaySearchOutputs& outputs,
                     RandomSource& random, WarningSink& warnings, const Cancellation& cancel) {
    const Index N = MVdata.rows(), nu = MVdata.cols(), ny = CVdata.cols();
    if (N < kMinSamples) throw InvalidArgument("Sample number too small (< 150)");
    if (CVdata.rows() != N) throw InvalidArgument("CVdata must have as many rows as MVdata");

    DelaySearch result;
    result.Delay = IntMatrix::Zero(ny, nu);
    for (Index k = 0; k < ny; ++k) {
        const CheckedSelection sel = outputs.selection(k, N);
        const bool integrating = outputs.integrating(k);
        if (sel.samples.size() == 0)
            throw InvalidArgument("Output " + std::to_string(k) + " has no selected slice of at least 143 samples");
        const PreparedSignals prep = fitclean(MVdata, CVdata.col(k), sel.samples, integrating, random);

        OutputDelaySearch search{delay_candidates(N, integrating), {}};
        search.scores = score_candidates(prep, sel, search.candidates, random, warnings, cancel);

        const DelayChoice choice = choose_delay(search.scores, integrating);
        if (choice.failure != DelayChoiceFailure::None) throw DelayEstimationError(failure_message(k, choice.failure));
        result.Delay.row(k).setConstant(search.candidates(choice.position));
        result.ErrTest.push_back(std::move(search));
    }
    return result;
}

}  // namespace vantrelpid
