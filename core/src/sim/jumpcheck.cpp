#include "vantrelpid/sim/jumpcheck.hpp"

#include <algorithm>
#include <utility>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/prep/checkclean.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/prep/segmask.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/differencing.hpp"
#include "vantrelpid/util/filters.hpp"
#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/util/lfilter.hpp"
#include "vantrelpid/util/simulation.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

// The input's offset: the mean of rows 1 to 11 (the first sample left out).
constexpr std::int64_t kOffsetFirst = 1, kOffsetEnd = 12;

Vector high_passed(const Vector& x, double wc) {
    Vector y(x.size());
    util::hipass_rows(x.data(), y.data(), x.size(), 1, wc);
    return y;
}

// The model's response to x delayed by dly samples, from rest.
Vector simulated(const util::TransferFunction& model, const Vector& x, std::int64_t dly) {
    const Matrix delayed = util::add_dly(x, IntVector::Constant(1, dly));
    return util::lfilter(model.num, model.den, delayed.col(0));
}

// The step response over 3000 samples, shifted right by dly samples.
Vector step_response(const util::TransferFunction& model, std::int64_t dly) {
    const Vector step = util::lfilter(model.num, model.den, Vector::Ones(kValidationStepLength));
    if (dly < 1) return step;
    Vector out = Vector::Zero(kValidationStepLength);
    if (dly < kValidationStepLength) out.tail(kValidationStepLength - dly) = step.head(kValidationStepLength - dly);
    return out;
}

// 100 var(measured - simulated) / var(measured) over the selected rows from
// position `skip` on (NaN when fewer than two are left).
double error_percentage(const Vector& measured, const Vector& simulated, const IntVector& samples,
                        std::int64_t skip) {
    const Index M = samples.size();
    const Index kept = skip < M ? M - static_cast<Index>(skip) : 0;
    const IntVector tail = samples.tail(kept);
    const Vector ym = select_rows(measured, tail);
    const Vector err = ym - select_rows(simulated, tail);
    return 100.0 * util::var(err, 1) / util::var(ym, 1);
}

// An integrating output's simulation as a level starting on y0.
Vector as_level(Vector changes, double y0) {
    changes.array() -= changes(0);
    for (Index t = 1; t < changes.size(); ++t) changes(t) += changes(t - 1);
    Vector level = util::detrend(high_passed(changes, util::hipass001_cutoff));
    level.array() -= level(0);
    level.array() += y0;
    return level;
}

}  // namespace

ModelValidation jumpcheck(ValidationData in) {
    if (in.U.size() != in.Y.size()) throw InvalidArgument("U and Y must have the same number of rows");
    if (in.U.size() < 2) throw InvalidArgument("U and Y need at least 2 samples");
    const bool integrating = in.flag == IntegratingFlag::Integrating;

    const util::TransferFunction model = util::c2dm2(in.Bc, in.Ac, in.Ts, in.cancel);
    ModelValidation out;
    const std::int64_t dly = pynum::round_half_even(in.Delayc / in.Ts);
    out.Stepres = step_response(model, dly);

    const Index N = in.U.size();
    Vector Y2 = integrating ? Vector(util::d_data(in.Y, true).col(0)) : in.Y;
    const std::int64_t skip = std::min(pynum::round_ratio(N, 8), kValidationMaxSkip);
    Vector U2 = std::move(in.U);
    const auto offset_rows = pynum::clip_slice(kOffsetFirst, kOffsetEnd, N);
    U2.array() -= util::mean(U2.segment(offset_rows.start, offset_rows.length()));
    const Vector U2h = high_passed(U2, util::hipass_default_cutoff);

    const IntVector samples = segmask(in.slice_table(), N).samples;
    if (in.flag == IntegratingFlag::Other) throw InvalidArgument("CV_INTk must be either 0 or 1");
    if (samples.size() == 0) throw InvalidArgument("The slice table leaves no samples to compare");
    Y2.array() -= validation_level(Y2, samples);
    const Vector Y2h = high_passed(Y2, util::hipass_default_cutoff);

    out.Ysim = simulated(model, U2, dly);
    Vector Yf = simulated(model, U2h, dly);
    if (integrating) {
        out.Ysim *= in.Ts;
        Yf *= in.Ts;
    }
    out.Yerror = error_percentage(Y2h, Yf, samples, skip);

    const double own = util::mean(select_rows(out.Ysim, samples));
    const double level = util::mean(select_rows(in.Y, samples));
    out.Ysim = (out.Ysim.array() - own + level).matrix();
    if (integrating) out.Ysim = as_level(std::move(out.Ysim), in.Y(0));
    return out;
}

}  // namespace vantrelpid
