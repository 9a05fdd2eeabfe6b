#include "vantrelpid/arx/triple.hpp"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "vantrelpid/arx/correlation.hpp"
#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/linalg.hpp"

namespace vantrelpid {

namespace {

void check_arguments(const Matrix& Un, const Vector& yn, const IntMatrix& SlIndk,
                     const std::array<std::int64_t, 3>& orders, const IntVector& delays) {
    if (yn.size() != Un.rows()) throw InvalidArgument("yn must have as many rows as Un");
    if (detail::delay_outside(delays, Un.cols(), 0, std::numeric_limits<std::int64_t>::max()) >= 0)
        throw InvalidArgument("Delay must hold whole numbers >= 0");
    for (std::int64_t n : orders)
        if (n < 0) throw InvalidArgument("ARX orders must be >= 0");
    if (SlIndk.rows() == 0) throw InvalidArgument("no selected slice to estimate from");
    for (Index k = 0; k < SlIndk.rows(); ++k) {
        if (SlIndk(k, 0) < 1) throw OutOfRange("selected slice " + std::to_string(k) + " starts before sample 1");
        if (SlIndk(k, 1) < SlIndk(k, 0))
            throw OutOfRange("selected slice " + std::to_string(k) + " ends before it starts");
    }
}

// The aligned data of one slice (planned without its first max(delays)
// output samples, so that no zeros stand in for data): output samples
// start..start+Nk-1 and input i at the same rows moved back by its delay.
detail::StretchCorrelations slice_correlations(const Matrix& Un, const Vector& yn, const detail::SlicePlan& r,
                                               const IntVector& delays, Index max_order) {
    Matrix Uk(r.samples, Un.cols());
    for (Index i = 0; i < Un.cols(); ++i) Uk.col(i) = Un.col(i).segment(r.start - delays(i), r.samples);
    return detail::StretchCorrelations(Uk, yn.segment(r.start, r.samples), max_order, r.fft_length);
}

// The normal matrix of the shared parameters (output and input lags 0..n) of
// one slice, with its pulse parameters eliminated (their Schur complement:
// the equations they take up drop out) and divided by the FFT length, so that
// every equation of every slice has the same weight.
Matrix reduced_normal_matrix(const detail::StretchCorrelations& corr, Index order) {
    const Matrix R = corr.matrix(order);
    const Index shared = (order + 1) * (corr.inputs() + 1), e = R.rows() - shared;
    const Matrix coupling = R.topRightCorner(shared, e);
    const Matrix pulses = R.bottomRightCorner(e, e);
    Matrix S = R.topLeftCorner(shared, shared) - coupling * util::lu_solve(pulses, Matrix(coupling.transpose()));
    return S / static_cast<double>(corr.fft_length());
}

}  // namespace

std::array<ArxModel, 3> arx_triple(const Matrix& Un, const Vector& yn, const IntMatrix& SlIndk,
                                   const std::array<std::int64_t, 3>& orders, const IntVector& delays) {
    check_arguments(Un, yn, SlIndk, orders, delays);
    const Index nu = Un.cols();
    const Index max_order = *std::max_element(orders.begin(), orders.end());
    const Index min_order = *std::min_element(orders.begin(), orders.end());
    const Index max_delay = nu > 0 ? delays.maxCoeff() : 0;

    // Each slice is planned without its first max(delays) output samples and
    // padded to at least Nk + n + 1 for the highest order n, power-of-two
    // lengths too (the planner takes any order without overflow). An order
    // holds an equation in a slice of more samples than the order: every
    // order is checked against the longest slice before anything is
    // allocated, so that an order from the caller never enters arithmetic
    // beyond the record's length.
    const detail::SliceRule rule{.drop = max_delay, .order = max_order, .unpadded_powers_of_two = false};
    std::vector<detail::SlicePlan> plans;
    Index longest = 0;
    for (Index k = 0; k < SlIndk.rows(); ++k) {
        plans.push_back(detail::plan_slice(SlIndk, k, Un.rows(), rule));
        longest = std::max(longest, plans.back().samples);
    }
    for (const std::int64_t n : orders)
        if (longest <= n)
            throw InvalidArgument("the selected slices are too short for an ARX model of order " + std::to_string(n) +
                                  " with delays up to " + std::to_string(max_delay) + " samples");

    // The correlations of every slice that holds an equation for at least
    // the lowest order, computed once for the highest order's lags.
    std::vector<detail::StretchCorrelations> slices;
    for (const detail::SlicePlan& plan : plans)
        if (plan.samples > min_order) slices.push_back(slice_correlations(Un, yn, plan, delays, max_order));

    std::array<ArxModel, 3> models;
    for (std::size_t m = 0; m < orders.size(); ++m) {
        const Index n = orders[m], shared = (n + 1) * (nu + 1);
        Matrix S = Matrix::Zero(shared, shared);
        bool any_equation = false;
        for (const auto& corr : slices) {
            if (corr.samples() <= n) continue;  // no equation of this order in the slice
            S += reduced_normal_matrix(corr, n);
            any_equation = true;
        }
        if (!any_equation)
            throw InvalidArgument("the selected slices are too short for an ARX model of order " + std::to_string(n) +
                                  " with delays up to " + std::to_string(max_delay) + " samples");
        // Minimum norm with numpy's cut-off: where the slices hold fewer
        // equations than parameters, directions the data do not determine are
        // set to zero instead of amplifying rounding.
        const detail::NormalEquations eq = detail::fix_leading_coefficient(S);
        models[m] = detail::arx_from_solution(util::lstsq(eq.lhs, eq.rhs, util::Cutoff::Numpy), n, nu);
    }
    return models;
}

}  // namespace vantrelpid
