#include "vantrelpid/ident/mimofit.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "vantrelpid/arx/triple.hpp"
#include "vantrelpid/errors.hpp"
#include "vantrelpid/fit/ceilband.hpp"
#include "vantrelpid/fit/compactfit.hpp"
#include "vantrelpid/prep/fitclean.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/grid.hpp"
#include "vantrelpid/util/simulation.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

// The arrays filled output by output.
struct Accumulators {
    Matrix meanU_rows, STDu_rows;  // ny x nu: each output's input offsets and scales
    Vector meanY, STDy;
    Matrix Gh, bound;              // 175 x nu*ny
    std::vector<char> grades;      // ny x nu, row-major
    std::vector<Index> ords;
    util::StateSpace stacked;      // the scaled models joined so far
};

Accumulators working_arrays(Index nu, Index ny) {
    Accumulators acc;
    acc.meanU_rows = Matrix::Zero(ny, nu);
    acc.STDu_rows = Matrix::Zero(ny, nu);
    acc.meanY = Vector::Zero(ny);
    acc.STDy = Vector::Zero(ny);
    acc.Gh = Matrix::Zero(util::kGridPoints, nu * ny);
    acc.bound = Matrix::Zero(util::kGridPoints, nu * ny);
    acc.grades.assign(static_cast<std::size_t>(nu * ny), ' ');
    acc.ords.assign(static_cast<std::size_t>(ny), 0);
    return acc;
}

// The error variance of a candidate on the selected samples: +inf when an
// error is not finite, else the population variance without the first
// `skip` errors. The simulation runs over the whole record.
double selected_error_variance(const util::ArmaxModel& candidate, const Matrix& delayed_inputs, const Vector& yn,
                               const CheckedSamples& samples, std::int64_t skip) {
    const Vector simulated = util::misosim(candidate.den, candidate.num, delayed_inputs);
    const Index M = samples.size();
    Vector e(M);
    for (Index m = 0; m < M; ++m) {
        const Index row = samples.row(m);
        e(m) = yn(row) - simulated(row);
    }
    if (!e.allFinite()) return std::numeric_limits<double>::infinity();
    const Index kept = std::max<Index>(M - static_cast<Index>(skip), 0);
    return util::var(e.tail(kept));
}

// The candidate with the smallest penalised simulation error.
util::ArmaxModel best_candidate_model(const std::array<ArxModel, 3>& candidates, const Matrix& Un, const Vector& yn,
                                      const CheckedSamples& samples, const IntVector& delays) {
    const std::int64_t Ni = samples.size();
    const std::int64_t skip = std::min(pynum::round_ratio(Ni, 10), kMaxStartupSkip);
    const Matrix delayed = util::add_dly(Un, delays);
    const std::int64_t nu = Un.cols();
    std::array<double, 3> criteria{};
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const double V = selected_error_variance(candidates[k], delayed, yn, samples, skip);
        criteria[k] = candidate_criterion(Ni, (kCandidateOrders[k] + 1) * (nu + 1), V);
    }
    return candidates[static_cast<std::size_t>(chosen_candidate(criteria))];
}

// Output i: selection, preprocessing, candidates, bound and grade, reduction,
// and its scaled state-space model joined to the others.
void identify_output(Index i, const Matrix& u, const Matrix& y, const OutputArguments& args, const Vector& w,
                     RandomSource& random, const Cancellation& cancel, Accumulators& acc) {
    const Index N = u.rows(), nu = u.cols();
    const CheckedSelection sel = args.selection(i, N);
    const CheckedSamples& samples = sel.samples;
    const std::int64_t Ni = samples.size();

    const bool integrating = args.integrating(i);
    const PreparedSignals p = fitclean(u, y.col(i), samples, integrating, random);
    acc.meanU_rows.row(i) = p.MeanUk;
    acc.STDu_rows.row(i) = p.STDuk;
    acc.meanY(i) = p.MeanYk;
    acc.STDy(i) = p.STDyk;

    const IntVector delays = args.delays(i);
    const auto candidates = arx_triple(p.Un, p.yn, sel.slices, kCandidateOrders, delays);
    const util::ArmaxModel high = best_candidate_model(candidates, p.Un, p.yn, samples, delays);

    const CMatrix Ghi = util::misofrq(high.den, high.num, w);
    const double Nbnd = static_cast<double>(std::min(Ni, kMaxBoundSamples));
    const GradedBound bound = ceilband(high, Ghi, p.Un, p.yn, w, Nbnd, delays, samples, integrating);
    const util::ArmaxModel low =
        compactfit(high, p.Un, p.yn, delays, samples, bound.BND.topRows(util::kLinearGridPoints),
                   w.head(util::kLinearGridPoints), cancel);

    acc.bound.middleCols(i * nu, nu) = bound.BND;
    acc.Gh.middleCols(i * nu, nu) = Ghi.cwiseAbs();
    for (Index j = 0; j < nu; ++j) acc.grades[static_cast<std::size_t>(i * nu + j)] = bound.grades[j];

    const util::StateSpace s = util::armax2ss(low.den, low.num);
    acc.stacked.A = util::tt_ac(acc.stacked.A, s.A);
    acc.stacked.C = util::tt_ac(acc.stacked.C, s.C);
    acc.stacked.B = util::tt_bd(acc.stacked.B, s.B);
    acc.stacked.D = util::tt_bd(acc.stacked.D, s.D);
    acc.ords[static_cast<std::size_t>(i)] = s.A.rows();
}

// A record without samples or without signals has nothing to identify.
void check_sizes(Index Nu, Index Ny, Index N, Index nu, Index ny) {
    if (Nu == 0 || Ny == 0 || nu == 0 || ny == 0) throw InvalidArgument("Not enough input arguments");
    if (N < kMinIdentificationSamples) throw InvalidArgument("Sample number too small (< 150)");
    if (nu > kMaxIdentificationInputs) throw InvalidArgument("Number of MVs too large (> 6)");
    if (ny > kMaxIdentificationOutputs) throw InvalidArgument("Number of CVs too large (> 5)");
}

}  // namespace

double candidate_criterion(std::int64_t selected, std::int64_t parameters, double V) {
    if (selected <= parameters) return std::numeric_limits<double>::infinity();
    const double factor = static_cast<double>(selected + parameters) / static_cast<double>(selected - parameters);
    return factor * V;
}

Index chosen_candidate(const std::array<double, 3>& criteria) {
    Index best = 0;
    for (Index k = 0; k < 3; ++k) {
        if (std::isnan(criteria[static_cast<std::size_t>(k)])) return k;
        if (criteria[static_cast<std::size_t>(k)] < criteria[static_cast<std::size_t>(best)]) best = k;
    }
    return best;
}

MultivariableModel mimofit(const Matrix& u_in, const Matrix& y_in, const OutputArguments& args,
                           RandomSource& random, const Cancellation& cancel) {
    const Index N = std::min(u_in.rows(), y_in.rows());
    const Index nu = u_in.cols(), ny = y_in.cols();
    check_sizes(u_in.rows(), y_in.rows(), N, nu, ny);
    const Matrix u = u_in.topRows(N);
    const Matrix y = y_in.topRows(N);
    require_finite_record(u, "u");
    require_finite_record(y, "y");

    MultivariableModel out;
    out.w = util::frequency_grid();
    Accumulators acc = working_arrays(nu, ny);
    random.seed(kIdentificationSeed);
    for (Index i = 0; i < ny; ++i) identify_output(i, u, y, args, out.w, random, cancel, acc);

    // One output's input scaling is used as it is; several are averaged.
    if (ny > 1) {
        out.meanU = util::column_mean(acc.meanU_rows).transpose();
        out.STDu = util::column_mean(acc.STDu_rows).transpose();
    } else {
        out.meanU = acc.meanU_rows.row(0).transpose();
        out.STDu = acc.STDu_rows.row(0).transpose();
    }
    out.meanY = acc.meanY;
    out.STDy = acc.STDy;
    out.model = util::unscale(acc.stacked, out.STDu, out.STDy, acc.ords);
    out.BND_shw = util::frunscal(acc.bound, out.STDu, out.STDy);
    out.Gh = util::frunscal(acc.Gh, out.STDu, out.STDy);
    out.ORDS = std::move(acc.ords);
    out.Grade = std::move(acc.grades);
    return out;
}

}  // namespace vantrelpid
