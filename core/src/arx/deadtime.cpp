#include "vantrelpid/arx/deadtime.hpp"

#include <cmath>
#include <string>

#include "vantrelpid/arx/seglsq.hpp"
#include "vantrelpid/errors.hpp"
#include "vantrelpid/prep/fitclean.hpp"
#include "vantrelpid/util/simulation.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

constexpr Index kMinSamples = 150;
constexpr std::int64_t kSearchOrder = 10;
constexpr double kDivergenceLimit = 1e8;
// Selected samples left out of the error variance: the simulation starts
// from rest.
constexpr Index kStartupSamples = 60;

// One candidate: an order-10 ARX estimate with delay d on every input,
// simulated over the whole record and compared on the selected samples.
DelayScore score_candidate(const PreparedSignals& prep, const CheckedSelection& sel, std::int64_t d,
                           RandomSource& random, WarningSink& warnings) {
    const IntVector D = IntVector::Constant(prep.Un.cols(), d);
    const ArxModel model = seglsq(prep.Un, prep.yn, sel.slices, kSearchOrder, D, random, warnings);
    const Vector simulated = util::misosim(model.den, model.num, util::add_dly(prep.Un, D));

    const Index M = sel.samples.size();
    Vector error(M), output(M);
    bool diverged = false;
    for (Index m = 0; m < M; ++m) {
        const Index row = sel.samples.row(m);
        output(m) = prep.yn(row);
        error(m) = prep.yn(row) - simulated(row);
        if (std::abs(error(m)) > kDivergenceLimit) diverged = true;
    }
    if (diverged) return {kDivergedScore, true};
    const Index kept = M > kStartupSamples ? M - kStartupSamples : 0;
    return {util::var(error.tail(kept)) / util::var(output), false};
}

std::string failure_message(Index k, DelayChoiceFailure failure) {
    const std::string head = "Dead-time search failed for output " + std::to_string(k) + ": ";
    if (failure == DelayChoiceFailure::Diverged)
        return head + "no candidate delay scored below the divergence placeholder 10000";
    return head + "the smallest score is not a finite number";
}

}  // namespace

DelaySearch deadtime(const Matrix& MVdata, const Matrix& CVdata, const DelaySearchOutputs& outputs,
                     RandomSource& random, WarningSink& warnings) {
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
        for (Index c = 0; c < search.candidates.size(); ++c)
            search.scores.push_back(score_candidate(prep, sel, search.candidates(c), random, warnings));

        const DelayChoice choice = choose_delay(search.scores, integrating);
        if (choice.failure != DelayChoiceFailure::None) throw DelayEstimationError(failure_message(k, choice.failure));
        result.Delay.row(k).setConstant(search.candidates(choice.position));
        result.ErrTest.push_back(std::move(search));
    }
    return result;
}

}  // namespace vantrelpid
