#include "vantrelpid/arx/seglsq.hpp"

#include <limits>
#include <string>
#include <vector>

#include "vantrelpid/arx/correlation.hpp"
#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/linalg.hpp"

namespace vantrelpid {

namespace {

std::string row_name(Index k) { return "SlInd row " + std::to_string(k); }

// Number of pulse parameters a stretch adds: end pulse lags 0..n (padded
// stretches) and start pulse lags 0..n-1.
Index pulse_parameters(const detail::SlicePlan& s, Index order) {
    const bool padded = s.fft_length > s.samples;
    return padded ? 2 * order + 1 : order;
}

void check_arguments(const Matrix& U, const Vector& Y, std::int64_t n, const std::optional<IntVector>& delays) {
    if (Y.size() != U.rows()) throw InvalidArgument("Y must have as many rows as U");
    if (n < 0) throw InvalidArgument("n must be >= 0");
    if (delays && detail::delay_outside(*delays, U.cols(), 0, std::numeric_limits<std::int64_t>::max()) >= 0)
        throw InvalidArgument("Delay must hold whole numbers >= 0");
}

}  // namespace

ArxModel seglsq(const Matrix& U, const Vector& Y, const IntMatrix& SlInd, std::int64_t n,
                const std::optional<IntVector>& delays, RandomSource& random, WarningSink& warnings) {
    check_arguments(U, Y, n, delays);
    // The plan refuses an order of a slice's length or more, so n + 1 is safe after it.
    const std::vector<detail::SlicePlan> stretches = detail::sliced_estimate_plan(SlInd, U.rows(), n, delays);
    const Index nu = U.cols(), L = n + 1;

    // Draws that do not enter the result: they keep the shared stream where
    // the callers expect it.
    random.seed(kSlicedEstimateSeed);
    random.randn(Y.size());

    // Block-arrow normal matrix: the shared parameters (output and input lags
    // 0..n) first, summed over the slices; then each slice's pulse
    // parameters, coupled to the shared ones only.
    const Index shared = L * (1 + nu);
    Index size = shared;
    for (const detail::SlicePlan& s : stretches) size += pulse_parameters(s, n);
    Matrix JhJ = Matrix::Zero(size, size);
    Index offset = shared;
    for (const detail::SlicePlan& s : stretches) {
        // Each slice is shifted from the unshifted record, so overlapping
        // slices see the same data.
        Matrix Uk = U.middleRows(s.start, s.samples);
        if (delays) detail::delay_columns(Uk, *delays);
        const detail::StretchCorrelations corr(Uk, Y.segment(s.start, s.samples), n, s.fft_length);
        offset = detail::add_slice_block(JhJ, corr.matrix(n), shared, offset);
    }

    const detail::NormalEquations eq = detail::fix_leading_coefficient(JhJ);
    const Vector th = util::scipy_solve(eq.lhs, eq.rhs, warnings);
    return detail::arx_from_solution(th, n, nu);
}

}  // namespace vantrelpid

namespace vantrelpid::detail {

std::vector<SlicePlan> sliced_estimate_plan(const IntMatrix& SlInd, Index n_samples, std::int64_t order,
                                            const std::optional<IntVector>& delays) {
    if (SlInd.rows() == 0) throw InvalidArgument("SlInd has no rows");
    std::vector<SlicePlan> plan;
    for (Index k = 0; k < SlInd.rows(); ++k) {
        const std::int64_t first = SlInd(k, 0), last = SlInd(k, 1);
        if (first < 1)
            throw OutOfRange(row_name(k) + " starts at sample " + std::to_string(first) +
                             "; sample numbers start at 1");
        if (last < first)
            throw OutOfRange(row_name(k) + " ends at sample " + std::to_string(last) + ", before its first sample " +
                             std::to_string(first));
        plan.push_back(plan_slice(SlInd, k, n_samples, {.drop = 0, .order = order, .unpadded_powers_of_two = true}));
        const Index nk = plan.back().samples;
        if (nk <= order) {
            std::string text = row_name(k) + " leaves " + std::to_string(nk) + " samples, fewer than the " +
                               pynum::successor_text(order) + " that order " + std::to_string(order) + " needs";
            if (k == 0) text += " (its first 80 samples are not used)";
            throw InvalidArgument(text);
        }
        if (delays) check_delays_fit(plan.back(), k, *delays);
    }
    return plan;
}

void check_delays_fit(const SlicePlan& slice, Index k, const IntVector& delays) {
    for (Index i = 0; i < delays.size(); ++i)
        if (delays(i) > slice.samples)
            throw InvalidArgument("Delay of input " + std::to_string(i) + " (" + std::to_string(delays(i)) +
                                  " samples) is longer than " + row_name(k) + " (" + std::to_string(slice.samples) +
                                  " samples)");
}

void check_delays_fit(const std::vector<SlicePlan>& plan, const IntVector& delays) {
    for (std::size_t k = 0; k < plan.size(); ++k) check_delays_fit(plan[k], static_cast<Index>(k), delays);
}

}  // namespace vantrelpid::detail
