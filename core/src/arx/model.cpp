#include "vantrelpid/arx/model.hpp"

#include <algorithm>

#include "vantrelpid/arx/correlation.hpp"
#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"

namespace vantrelpid::detail {

Index delay_outside(const IntVector& delays, Index inputs, std::int64_t lo, std::int64_t hi) {
    if (delays.size() != inputs) throw InvalidArgument("The length of Delay must be equal to the number of inputs");
    for (Index i = 0; i < delays.size(); ++i)
        if (delays(i) < lo || delays(i) > hi) return i;
    return -1;
}

SlicePlan plan_slice(const IntMatrix& slices, Index k, Index n_samples, const SliceRule& rule) {
    // A first sample beyond the record starts the stretch at its end, without
    // adding the skip to a number near the int64 limit.
    const std::int64_t skip = k == 0 ? kSkippedLeadingSamples : 0;
    const pynum::SliceBounds rows =
        pynum::clip_slice(std::min<std::int64_t>(slices(k, 0) - 1, n_samples) + skip, slices(k, 1), n_samples);
    // A drop of the whole stretch or more leaves no samples (and no sum beyond int64).
    const Index dropped = std::min<Index>(rule.drop, rows.length());
    SlicePlan plan;
    plan.start = rows.start + dropped;
    plan.samples = rows.length() - dropped;
    plan.fft_length = slice_fft_length(plan.samples, rule.order, rule.unpadded_powers_of_two);
    return plan;
}

Index add_slice_block(Matrix& JhJ, const Matrix& Rk, Index shared, Index offset) {
    const Index e = Rk.rows() - shared;
    JhJ.topLeftCorner(shared, shared) += Rk.topLeftCorner(shared, shared);
    JhJ.block(0, offset, shared, e) = Rk.topRightCorner(shared, e);
    JhJ.block(offset, 0, e, shared) = Rk.bottomLeftCorner(e, shared);
    JhJ.block(offset, offset, e, e) = Rk.bottomRightCorner(e, e);
    return offset + e;
}

void delay_columns(Matrix& Uk, const IntVector& delays) {
    const Index nk = Uk.rows();
    for (Index i = 0; i < Uk.cols(); ++i) {
        const Index d = delays(i);
        if (d < 0) throw InvalidArgument("delays must be >= 0");
        if (d == 0) continue;
        if (d >= nk) {
            Uk.col(i).setZero();
            continue;
        }
        // Move backwards so that no sample is overwritten before it is read.
        for (Index t = nk - 1; t >= d; --t) Uk(t, i) = Uk(t - d, i);
        Uk.col(i).head(d).setZero();
    }
}

NormalEquations fix_leading_coefficient(const Matrix& R) {
    const Index m = R.rows() - 1;
    return {R.bottomRightCorner(m, m), -R.col(0).tail(m)};
}

ArxModel arx_from_solution(const Vector& th, Index order, Index inputs) {
    const Index L = order + 1;
    if (th.size() < L * (inputs + 1) - 1) throw InvalidArgument("too few parameters for the model");
    ArxModel model;
    model.den.resize(L);
    model.den(0) = 1.0;
    model.den.tail(order) = th.head(order);
    model.num.resize(inputs, L);
    for (Index i = 0; i < inputs; ++i) model.num.row(i) = -th.segment(order + i * L, L).transpose();
    return model;
}

}  // namespace vantrelpid::detail
