#include "vantrelpid/prep/checkclean.hpp"

#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/filters.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

constexpr double kHighPassCutoff = 0.003;

// All entries of a matrix, row after row (numpy's reduction with no axis).
Vector entries(const Matrix& X) {
    const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor> R = X;
    return Eigen::Map<const Vector>(R.data(), R.size());
}

}  // namespace

double validation_level(const Matrix& yk, const IntVector& SlSampk) {
    require_samples_in_record(SlSampk, yk.rows());
    const auto head = pynum::clip_slice(0, pynum::round_ratio(SlSampk.size(), 10), SlSampk.size());
    return util::mean(entries(select_rows(yk, SlSampk.segment(head.start, head.length()))));
}

ValidationSignals checkclean(const Matrix& U, const Matrix& yk, const IntVector& SlSampk) {
    const Matrix Usel = select_rows(U, SlSampk);
    const Matrix ysel = select_rows(yk, SlSampk);
    const std::int64_t nm = pynum::round_ratio(Usel.rows(), 10);
    const auto head = pynum::clip_slice(0, nm, Usel.rows());

    ValidationSignals out;
    out.MeanUk = util::column_mean(Usel.middleRows(head.start, head.length()));
    out.STDuk = util::column_std(Usel, 1);
    out.MeanYk = validation_level(yk, SlSampk);
    out.STDyk = util::stddev(entries(ysel), 1);

    Matrix un = (U.rowwise() - out.MeanUk).array().rowwise() / out.STDuk.array();
    Matrix yn = yk.array() - out.MeanYk;
    if (out.STDyk > 0) yn /= out.STDyk;
    out.Un = util::hipass(un, kHighPassCutoff);
    out.yn = util::hipass(yn, kHighPassCutoff);
    return out;
}

}  // namespace vantrelpid
