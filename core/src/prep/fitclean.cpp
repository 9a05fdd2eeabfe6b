#include "vantrelpid/prep/fitclean.hpp"

#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/filters.hpp"
#include "vantrelpid/util/lfilter.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

// The slow high-pass filter of the identification data: 4th-order
// Butterworth at 0.002 of the Nyquist frequency, from zero state.
constexpr int kHighPassOrder = 4;
constexpr double kHighPassCutoff = 0.002;

// Rows [1, nf) of the selected rows: the offsets skip the first selected sample.
Matrix offset_rows(const Matrix& selected, std::int64_t nf) {
    const auto rows = pynum::clip_slice(1, nf, selected.rows());
    return selected.middleRows(rows.start, rows.length());
}

}  // namespace

PreparedSignals fitclean(const Matrix& U, const Vector& yk, const IntVector& SlSampk, bool integrating,
                         RandomSource& random) {
    return fitclean(U, yk, CheckedSamples(SlSampk, U.rows()), integrating, random);
}

PreparedSignals fitclean(const Matrix& U, const Vector& yk, const CheckedSamples& SlSampk, bool integrating,
                         RandomSource& random) {
    const Index n_rec = U.rows(), nu = U.cols();
    const Matrix Usel = select_rows(U, SlSampk);
    const Matrix ysel = select_rows(Matrix(yk), SlSampk);
    const std::int64_t nf = pynum::round_ratio(Usel.rows(), 15);

    PreparedSignals out;
    out.MeanUk = util::column_mean(offset_rows(Usel, nf));
    out.MeanYk = util::column_mean(offset_rows(ysel, nf))(0);

    const util::TransferFunction hp = util::buttfilthi(kHighPassOrder, kHighPassCutoff);
    out.Un = util::lfilter_columns(hp.num, hp.den, U.rowwise() - out.MeanUk);
    out.yn = util::lfilter(hp.num, hp.den, (yk.array() - out.MeanYk).matrix());

    if (integrating) {
        random.seed(9888);
        for (Index t = 1; t < n_rec; ++t) out.Un.row(t) += out.Un.row(t - 1);
        random.randn(n_rec * nu);
    }

    out.Un.rowwise() -= util::column_mean(out.Un);
    out.yn.array() -= util::mean(out.yn);
    out.STDuk = util::column_std(out.Un, 1);
    out.STDyk = util::stddev(out.yn, 1);
    out.Un.array().rowwise() /= out.STDuk.array();
    out.yn /= out.STDyk;

    if (!integrating) random.randn(n_rec * nu);
    random.randn(n_rec);
    return out;
}

}  // namespace vantrelpid
