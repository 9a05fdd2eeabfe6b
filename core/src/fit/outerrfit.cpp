#include "vantrelpid/fit/outerrfit.hpp"

#include <algorithm>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/lfilter.hpp"
#include "vantrelpid/util/linalg.hpp"
#include "vantrelpid/util/poly.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

using util::Cutoff;

// The fixed parts of one fit: the records, the delayed input and the sizes.
struct Problem {
    const Vector& Y;
    Vector ud;  // the input delayed by `delay` samples, zeros in front
    Index na, nb;
    Index n;     // max(na, nb): the first sample with a full regressor row
    Index rows;  // N - n
};

// One run: the parameter vector [a1..a_na, b0..b_(nb-1)] and the model built
// from it. The denominator is stabilised; the parameter vector never is.
struct Run {
    Vector th;
    Vector Ap, Bp;
};

void set_model(Run& run, const Problem& p) {
    Vector monic(p.na + 1);
    monic(0) = 1.0;
    monic.tail(p.na) = run.th.head(p.na);
    run.Ap = util::stabpoly(monic);
    run.Bp = run.th.segment(p.na, p.nb);
}

// The least-squares problem for the samples n..N-1 in the augmented form
// [Phi r]: column i-1 of Phi holds sign * -y(t - i) (i = 1..na), column
// na+i-1 holds sign * u(t - i + 1) (i = 1..nb), and r is `rhs`(t).
void fill_problem(Matrix& work, const Problem& p, const Eigen::Ref<const Vector>& y,
                  const Eigen::Ref<const Vector>& u, double sign, const Vector& rhs) {
    for (Index i = 1; i <= p.na; ++i) work.col(i - 1) = (-sign) * y.segment(p.n - i, p.rows);
    for (Index i = 1; i <= p.nb; ++i) work.col(p.na + i - 1) = sign * u.segment(p.n - i + 1, p.rows);
    work.col(p.na + p.nb) = rhs.tail(p.rows);
}

// Both columns of X filtered by 1/A(q) from zero state.
Matrix prefilter(const Vector& Ap, const Matrix& X) { return util::lfilter_columns(Vector::Ones(1), Ap, X); }

Vector simulate(const Run& run, const Problem& p) { return util::filtini(run.Bp, run.Ap, p.ud, p.Y(0)); }

// The ARX fit and its Steiglitz-McBride refinement: five least-squares
// passes, each on u_d and Y prefiltered by 1/A(q) with the stabilised
// denominator of the pass before (the first pass on the raw signals).
void start_models(const Problem& p, Run& arx, Run& sm) {
    Matrix work(p.rows, p.na + p.nb + 1);
    Matrix raw(p.Y.size(), 2);
    raw.col(0) = p.ud;
    raw.col(1) = p.Y;
    Matrix filtered = raw;  // columns u, y of the current pass
    constexpr int kPasses = 5;
    for (int pass = 0; pass < kPasses; ++pass) {
        const Vector y = filtered.col(1);
        fill_problem(work, p, y, filtered.col(0), 1.0, y);
        sm.th = util::lstsq_augmented(work);
        set_model(sm, p);
        if (pass == 0) arx = sm;
        if (pass + 1 < kPasses) filtered = prefilter(sm.Ap, raw);
    }
}

// Full Gauss-Newton steps on the output error e = Y - yhat. The gradient of
// e is the regressor of the filtered simulation and input with the signs
// reversed.
void gauss_newton(const Problem& p, Run& run, Index iterations, const Cancellation& cancel) {
    Matrix work(p.rows, p.na + p.nb + 1);
    Matrix signals(p.Y.size(), 2);  // columns yhat, u_d
    signals.col(1) = p.ud;
    for (Index it = 0; it < iterations; ++it) {
        cancel.poll();
        signals.col(0) = simulate(run, p);
        const Vector e = p.Y - signals.col(0);
        const Matrix filtered = prefilter(run.Ap, signals);
        fill_problem(work, p, filtered.col(0), filtered.col(1), -1.0, e);
        run.th -= util::lstsq_augmented(work);
        set_model(run, p);
    }
}

double error_variance(const Run& run, const Problem& p) {
    const Vector e = p.Y - simulate(run, p);
    return util::var(e);
}

void check_arguments(const Vector& U, const Vector& Y, OutputErrorOrders nn, Index delay, Index iterations) {
    if (U.size() != Y.size()) throw InvalidArgument("U and Y must have the same length");
    if (nn.na < 0 || nn.nb < 0) throw InvalidArgument("nn must not hold negative orders");
    if (U.size() <= std::max(nn.na, nn.nb)) throw InvalidArgument("U must have more than max(nn) samples");
    if (delay < 0) throw InvalidArgument("negative dimensions are not allowed");
    if (delay > U.size()) throw InvalidArgument("Delay must not exceed the number of samples");
    if (iterations < 0) throw InvalidArgument("iter must not be negative");
}

}  // namespace

OutputErrorModel outerrfit(const Vector& U, const Vector& Y, OutputErrorOrders nn, Index delay,
                           Index iterations, const Cancellation& cancel) {
    check_arguments(U, Y, nn, delay, iterations);
    const Index N = U.size();
    const Index n = std::max(nn.na, nn.nb);
    Problem p{Y, Vector::Zero(N), nn.na, nn.nb, n, N - n};
    p.ud.tail(N - delay) = U.head(N - delay);

    Run arx, sm;
    start_models(p, arx, sm);
    gauss_newton(p, sm, iterations, cancel);
    gauss_newton(p, arx, iterations, cancel);

    // Strictly smaller: a tie goes to the run from the Steiglitz-McBride start.
    const double v_sm = error_variance(sm, p);
    const double v_arx = error_variance(arx, p);
    const Run& best = v_arx < v_sm ? arx : sm;
    return {best.Ap, best.Bp};
}

}  // namespace vantrelpid
