#include "vantrelpid/arx/seglsq.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "vantrelpid/arx/correlation.hpp"
#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/linalg.hpp"

namespace vantrelpid {

namespace {

// The rows of U and Y that one slice uses.
struct Stretch {
    Index start = 0;   // 0-based first row
    Index samples = 0; // Nk
};

std::string row_name(Index k) { return "SlInd row " + std::to_string(k); }

// Rows of every slice: the first slice without its first 80 samples, the
// last sample clipped to the record as Python slicing clips it.
std::vector<Stretch> plan_stretches(const IntMatrix& SlInd, Index n_samples, std::int64_t order,
                                    const std::optional<IntVector>& delays) {
    if (SlInd.rows() == 0) throw InvalidArgument("SlInd has no rows");
    std::vector<Stretch> stretches;
    for (Index k = 0; k < SlInd.rows(); ++k) {
        const std::int64_t first = SlInd(k, 0), last = SlInd(k, 1);
        if (first < 1)
            throw OutOfRange(row_name(k) + " starts at sample " + std::to_string(first) +
                             "; sample numbers start at 1");
        if (last < first)
            throw OutOfRange(row_name(k) + " ends at sample " + std::to_string(last) + ", before its first sample " +
                             std::to_string(first));
        const std::int64_t skip = k == 0 ? kSkippedLeadingSamples : 0;
        // A first sample beyond the record starts the stretch at its end,
        // without adding the skip to a number near the int64 limit.
        const pynum::SliceBounds rows = pynum::clip_slice(std::min(first - 1, n_samples) + skip, last, n_samples);
        const Index nk = rows.length();
        if (nk <= order) {
            std::string text = row_name(k) + " leaves " + std::to_string(nk) + " samples, fewer than the " +
                               pynum::successor_text(order) + " that order " + std::to_string(order) + " needs";
            if (k == 0) text += " (its first 80 samples are not used)";
            throw InvalidArgument(text);
        }
        if (delays) {
            for (Index i = 0; i < delays->size(); ++i) {
                if ((*delays)(i) > nk)
                    throw InvalidArgument("Delay of input " + std::to_string(i) + " (" +
                                          std::to_string((*delays)(i)) + " samples) is longer than " + row_name(k) +
                                          " (" + std::to_string(nk) + " samples)");
            }
        }
        stretches.push_back({rows.start, nk});
    }
    return stretches;
}

// Number of pulse parameters a stretch adds: end pulse lags 0..n (padded
// stretches) and start pulse lags 0..n-1.
Index pulse_parameters(Index samples, Index order) {
    const bool padded = detail::fft_length_covering(samples) > samples;
    return padded ? 2 * order + 1 : order;
}

void check_arguments(const Matrix& U, const Vector& Y, std::int64_t n, const std::optional<IntVector>& delays) {
    if (Y.size() != U.rows()) throw InvalidArgument("Y must have as many rows as U");
    if (n < 0) throw InvalidArgument("n must be >= 0");
    if (delays) {
        if (delays->size() != U.cols())
            throw InvalidArgument("The length of Delay must be equal to the number of inputs");
        for (Index i = 0; i < delays->size(); ++i)
            if ((*delays)(i) < 0) throw InvalidArgument("Delay must hold whole numbers >= 0");
    }
}

}  // namespace

ArxModel seglsq(const Matrix& U, const Vector& Y, const IntMatrix& SlInd, std::int64_t n,
                const std::optional<IntVector>& delays, RandomSource& random, WarningSink& warnings) {
    check_arguments(U, Y, n, delays);
    const Index nu = U.cols(), L = n + 1;
    const std::vector<Stretch> stretches = plan_stretches(SlInd, U.rows(), n, delays);

    // Draws that do not enter the result: they keep the shared stream where
    // the callers expect it.
    random.seed(kSlicedEstimateSeed);
    random.randn(Y.size());

    // Block-arrow normal matrix: the shared parameters (output and input lags
    // 0..n) first, summed over the slices; then each slice's pulse
    // parameters, coupled to the shared ones only.
    const Index shared = L * (1 + nu);
    Index size = shared;
    for (const Stretch& s : stretches) size += pulse_parameters(s.samples, n);
    Matrix JhJ = Matrix::Zero(size, size);
    Index offset = shared;
    for (const Stretch& s : stretches) {
        // Each slice is shifted from the unshifted record, so overlapping
        // slices see the same data.
        Matrix Uk = U.middleRows(s.start, s.samples);
        if (delays) detail::delay_columns(Uk, *delays);
        const detail::StretchCorrelations corr(Uk, Y.segment(s.start, s.samples), n,
                                               detail::fft_length_covering(s.samples));
        const Matrix Rk = corr.matrix(n);
        const Index e = Rk.rows() - shared;
        JhJ.topLeftCorner(shared, shared) += Rk.topLeftCorner(shared, shared);
        JhJ.block(0, offset, shared, e) = Rk.topRightCorner(shared, e);
        JhJ.block(offset, 0, e, shared) = Rk.bottomLeftCorner(e, shared);
        JhJ.block(offset, offset, e, e) = Rk.bottomRightCorner(e, e);
        offset += e;
    }

    const detail::NormalEquations eq = detail::fix_leading_coefficient(JhJ);
    const Vector th = util::scipy_solve(eq.lhs, eq.rhs, warnings);
    return detail::arx_from_solution(th, n, nu);
}

}  // namespace vantrelpid
