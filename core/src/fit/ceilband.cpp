#include "vantrelpid/fit/ceilband.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/filters.hpp"
#include "vantrelpid/util/simulation.hpp"
#include "vantrelpid/util/correlogram.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

// Prefilter whose amplitude weights the grade: a sixth-order Butterworth
// low-pass at a tenth of the Nyquist frequency.
constexpr int kPrefilterOrder = 6;
constexpr double kPrefilterCutoff = 0.1;
// Lags of the spectral estimate and the longest start-up transient dropped.
constexpr Index kSpectrumLags = 300;
constexpr std::int64_t kMaxTransient = 150;
// The bound is three standard deviations.
constexpr double kDeviations = 3.0;

// c = na / Nbnd * (Nbnd + P) / (Nbnd - P), left to right, with Python's
// ZeroDivisionError for an exact zero divisor. Fewer bound samples than
// parameters leave no bound (NaN), also for a negative Nbnd, where two
// negative factors would otherwise cancel into a positive c.
double variance_factor(Index na, double Nbnd, Index P) {
    if (Nbnd == 0.0) throw DivisionByZero("division by zero");
    const double c = static_cast<double>(na) / Nbnd * (Nbnd + static_cast<double>(P));
    if (Nbnd - static_cast<double>(P) == 0.0) throw DivisionByZero("float division by zero");
    if (Nbnd < static_cast<double>(P)) return std::numeric_limits<double>::quiet_NaN();
    return c / (Nbnd - static_cast<double>(P));
}

// The rows [start, stop) of X, as a Python slice start:stop selects them.
Matrix slice_rows(const Matrix& X, std::int64_t start, std::int64_t stop) {
    const pynum::SliceBounds s = pynum::clip_slice(start, stop, X.rows());
    return X.middleRows(static_cast<Index>(s.start), static_cast<Index>(s.length()));
}

// |[Phi^-1]_ii| of the joint spectrum of the inputs and the prediction errors,
// from the selected samples after the start-up transient: len(w) x (nu + 1).
Matrix inverse_spectrum_diagonal(const Matrix& Us, const Vector& Es, const Vector& w, Index& first_kept) {
    const Index N = Us.rows(), nu = Us.cols();
    const std::int64_t M = std::min(pynum::round_ratio(N, 8), kMaxTransient);
    const pynum::SliceBounds kept = pynum::clip_slice(M - 1, N, N);
    first_kept = static_cast<Index>(kept.start);
    Matrix Z(kept.length(), nu + 1);
    Z.leftCols(nu) = slice_rows(Us, M - 1, N);
    Z.col(nu) = Es.segment(first_kept, kept.length());
    return util::fiinvdia(util::crsspct(Z, kSpectrumLags, w, "P"), nu + 1).cwiseAbs();
}

// Sample variance (ddof 1) of the kept errors without their first na - 1.
double residual_variance(const Vector& kept_errors, Index na) {
    const pynum::SliceBounds s = pynum::clip_slice_from(na - 1, kept_errors.size());
    return util::var(kept_errors.segment(static_cast<Index>(s.start), static_cast<Index>(s.length())), 1);
}

// sum(BND[K, i] W) / sum(|G[K, i]| W) with W = Gf[K] |G[K, i]|, summed as numpy sums.
double weighted_ratio(const Vector& bound, const CVector& G, const Vector& Gf, Index window) {
    Vector num(window), den(window);
    for (Index k = 0; k < window; ++k) {
        const double g = std::abs(G(k));
        const double weight = Gf(k) * g;
        num(k) = bound(k) * weight;
        den(k) = g * weight;
    }
    return util::sum(num) / util::sum(den);
}

}  // namespace

char grade_of(double ratio) {
    if (ratio <= kGradeLimitA) return 'A';
    if (ratio <= kGradeLimitB) return 'B';
    if (ratio <= kGradeLimitC) return 'C';
    if (ratio > kGradeLimitC) return 'D';
    return '?';
}

GradedBound ceilband(const util::ArmaxModel& arx, const CMatrix& Ghk, const Matrix& U, const Vector& Yk,
                     const Vector& w, double Nbnd, const IntVector& Delayk, const IntVector& SliceSamp,
                     bool integrating) {
    return ceilband(arx, Ghk, U, Yk, w, Nbnd, Delayk, CheckedSamples(SliceSamp, U.rows()), integrating);
}

GradedBound ceilband(const util::ArmaxModel& arx, const CMatrix& Ghk, const Matrix& U, const Vector& Yk,
                     const Vector& w, double Nbnd, const IntVector& Delayk, const CheckedSamples& SliceSamp,
                     bool integrating) {
    if (arx.den.size() == 0) throw InvalidArgument("Aphk must hold at least its leading coefficient");
    if (w.size() != Ghk.rows()) throw InvalidArgument("w must hold one frequency per row of Ghk");
    const Index na = arx.den.size() - 1, nu = U.cols(), P = na * (nu + 1);

    const util::TransferFunction prefilter = util::buttfilt(kPrefilterOrder, kPrefilterCutoff);
    const Vector Gf = util::d_bode2(prefilter.num, prefilter.den, w);
    const Vector E = util::arxpe(arx.den, arx.num, util::add_dly(U, Delayk), Yk);
    const Matrix Us = select_rows(U, SliceSamp);
    const Vector Es = select_rows(E, SliceSamp);
    if (Us.rows() == 0) throw InvalidArgument("SliceSamp selects no samples");

    Index first_kept = 0;
    const Matrix FiD = inverse_spectrum_diagonal(Us, Es, w, first_kept);
    const Vector kept_errors = Es.tail(Es.size() - first_kept);
    Vector unit = Vector::Zero(na + 1);
    unit(0) = 1.0;
    const Vector H = util::d_bode2(unit, arx.den, w);
    const double s2 = residual_variance(kept_errors, na);
    const Vector noise_spectrum = H.array().square() * s2;
    const double c = variance_factor(na, Nbnd, P);

    GradedBound out;
    out.BND.resize(w.size(), nu);
    for (Index i = 0; i < nu; ++i)
        out.BND.col(i) = kDeviations * ((c * noise_spectrum).array() * FiD.col(i).array()).sqrt();

    const Index window = integrating ? kGradeWindowIntegrating : kGradeWindow;
    if (w.size() < window) throw OutOfRange(pynum::out_of_bounds_message(w.size(), w.size(), 0));
    if (Ghk.rows() < window) throw OutOfRange(pynum::out_of_bounds_message(Ghk.rows(), Ghk.rows(), 0));
    out.grades.assign(static_cast<std::size_t>(nu), '?');
    out.nonD = Vector::Ones(nu);
    for (Index i = 0; i < nu; ++i) {
        if (i >= Ghk.cols()) throw OutOfRange(pynum::out_of_bounds_message(i, Ghk.cols(), 1));
        const double r = weighted_ratio(out.BND.col(i).head(window), Ghk.col(i).head(window), Gf, window);
        out.grades[static_cast<std::size_t>(i)] = grade_of(r);
        if (out.grades[static_cast<std::size_t>(i)] == 'D') out.nonD(i) = 0.0;
    }
    return out;
}

}  // namespace vantrelpid
