#include "vantrelpid/tune/knobsfeed.hpp"

#include <algorithm>

#include "vantrelpid/errors.hpp"

namespace vantrelpid {

namespace {

bool same_shape(const Matrix& a, const Matrix& b) { return a.rows() == b.rows() && a.cols() == b.cols(); }

FeedforwardDesign refused(const char* message) {
    FeedforwardDesign out;
    out.Message = message;
    return out;
}

}  // namespace

FeedforwardDesign knobsfeed(const Matrix& Tau_1, const Matrix& Gain_1, const Matrix& Delayc,
                            const std::function<bool()>& any_integrating) {
    if (!same_shape(Tau_1, Gain_1) || !same_shape(Tau_1, Delayc)) throw InvalidArgument(kFeedforwardShapes);
    const Index ny = Tau_1.rows(), nu = Tau_1.cols();
    if (nu == ny) return refused(kNoFeedforwardVariables);
    if (any_integrating()) return refused(kFeedforwardIntegrators);
    if (nu < ny) throw InvalidArgument("negative dimensions are not allowed");

    const Index nff = nu - ny;
    FeedforwardDesign out;
    out.K_ff.resize(ny, nff);
    out.Tau_lag_ff.resize(ny, nff);
    out.Tau_lead_ff.resize(ny, nff);
    out.Delayc_ff.resize(ny, nff);
    for (Index i = 0; i < ny; ++i) {
        for (Index j = 0; j < nff; ++j) {
            const Index k = ny + j;
            out.K_ff(i, j) = 0.88 * Gain_1(i, k) / Gain_1(i, i);
            out.Tau_lag_ff(i, j) = std::max(Tau_1(i, k), Tau_1(i, i) / 3);
            out.Tau_lead_ff(i, j) = Tau_1(i, i);
            out.Delayc_ff(i, j) = std::max(0.0, Delayc(i, k) - Delayc(i, i));
        }
    }
    out.designed = true;
    out.Message = kFeedforwardOK;
    return out;
}

}  // namespace vantrelpid
