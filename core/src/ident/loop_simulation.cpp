#include "vantrelpid/ident/loop_simulation.hpp"

#include <limits>
#include <string>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/lfilter.hpp"
#include "vantrelpid/util/simulation.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

struct PreparedRecord {
    Vector x;   // without its offset
    Vector xf;  // its changes from sample 1, slowly high-pass filtered
};

// x minus its mean over rows 1 to averaging - 1 (the first sample is left
// out), and that record minus its value at row 1, high-pass filtered.
PreparedRecord prepare(const Vector& x, std::int64_t averaging) {
    if (x.size() < 2)
        throw OutOfRange(pynum::out_of_bounds_message(1, x.size()));
    const pynum::SliceBounds rows = pynum::clip_slice(1, averaging, x.size());
    const double offset = util::mean(x.segment(rows.start, rows.length()));
    PreparedRecord p;
    p.x = x.array() - offset;
    const Matrix changes = (p.x.array() - p.x(1)).matrix();
    p.xf = util::hipass(changes, kComparisonCutoff).col(0);
    return p;
}

void running_sum(Vector& x) {
    for (Index t = 1; t < x.size(); ++t) x(t) += x(t - 1);
}

Vector state_space_output(const util::StateSpace& model, const Vector& u, std::int64_t delay) {
    return util::dsssim(model, util::add_dly(Matrix(u), IntVector::Constant(1, delay))).col(0);
}

Vector first_order_output(const util::TransferFunction& first, const Vector& u, std::int64_t delay) {
    return util::lfilter(first.num, first.den, util::add_dly(Matrix(u), IntVector::Constant(1, delay)).col(0));
}

// 100 var(e) / var(measured) over the selected samples from the 60th on.
double error_percentage(const Vector& measured, const Vector& simulated) {
    const Index M = measured.size();
    if (M <= kComparisonStartup) return std::numeric_limits<double>::quiet_NaN();
    const Index kept = M - kComparisonStartup;
    const Vector e = measured - simulated;
    return 100.0 * util::var(e.tail(kept)) / util::var(measured.tail(kept));
}

// The simulated output moved to the measured output's level on the selected samples.
Vector level_aligned(const Vector& simulated, const Vector& measured, const CheckedSamples& samples) {
    const double own = util::mean(select_rows(simulated, samples));
    const double level = util::mean(select_rows(measured, samples));
    return (simulated.array() - own + level).matrix();
}

}  // namespace

LoopSimulation simulate_loop(const Matrix& U, const Matrix& Y, const CheckedSamples& samples, bool integrating,
                             const util::StateSpace& model, std::int64_t delay,
                             const util::TransferFunction& first, std::int64_t first_delay) {
    const Index N = U.rows();
    const std::int64_t averaging = integrating ? N : pynum::round_ratio(N, 15);
    PreparedRecord u = prepare(U.col(0), averaging);
    const PreparedRecord y = prepare(Y.col(0), averaging);
    if (integrating) {
        running_sum(u.x);
        running_sum(u.xf);
    }

    const Vector Yh = state_space_output(model, u.x, delay);
    const Vector Yh1 = first_order_output(first, u.x, first_delay);
    const Vector Yfh = state_space_output(model, u.xf, delay);
    const Vector Yfh1 = first_order_output(first, u.xf, first_delay);

    const Vector yf = select_rows(y.xf, samples);
    LoopSimulation out;
    out.Yerror = error_percentage(yf, select_rows(Yfh, samples));
    out.Yerror1 = error_percentage(yf, select_rows(Yfh1, samples));
    const Vector measured = Y.col(0);
    out.Ysim = level_aligned(Yh, measured, samples);
    out.Ysim1 = level_aligned(Yh1, measured, samples);
    return out;
}

}  // namespace vantrelpid
