#include "vantrelpid/arx/delay_equations.hpp"

#include <string>
#include <utility>

#include "vantrelpid/arx/seglsq.hpp"
#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/linalg.hpp"

namespace vantrelpid::detail {

namespace {

// t modulo n, in 0..n-1.
Index wrap(Index t, Index n) {
    t %= n;
    return t < 0 ? t + n : t;
}

// Pulse parameters a slice adds: end pulse lags 0..n (padded slices) and
// start pulse lags 0..n-1.
Index pulse_parameters(const PlannedSlice& s, Index order) {
    return s.fft_length > s.samples ? 2 * order + 1 : order;
}

}  // namespace

DelayedNormalEquations::DelayedNormalEquations(const Matrix& U, const Vector& Y, std::vector<PlannedSlice> plan,
                                               std::int64_t order, std::int64_t max_delay)
    : U_(U), Y_(Y), order_(order), max_delay_(max_delay) {
    if (Y.size() != U.rows()) throw InvalidArgument("Y must have as many rows as U");
    if (order < 0 || max_delay < 0) throw InvalidArgument("the order and the delays must be >= 0");
    slices_.reserve(plan.size());
    for (const PlannedSlice& s : plan) {
        if (s.start < 0 || s.samples < 1 || s.start + s.samples > U.rows())
            throw InvalidArgument("a planned slice lies outside the record");
        if (s.fft_length != slice_fft_length(s.samples, order, true))
            throw InvalidArgument("a planned slice's FFT length is not the sliced estimate's");
        slices_.push_back({s, StretchCorrelations(U.middleRows(s.start, s.samples), Y.segment(s.start, s.samples),
                                                  order_ + max_delay_, s.fft_length)});
    }
}

double DelayedNormalEquations::delayed_correlation(const SliceCorrelations& s, Index i, Index j, Index lag,
                                                   Index delay) const {
    const StretchCorrelations& c = s.undelayed;
    const Index nu = c.inputs(), nk = s.rows.samples, nfft = s.rows.fft_length;
    const Index kept = nk - delay;  // the dropped samples T are kept..nk-1
    const double scale = static_cast<double>(nfft);
    auto is_input = [&](Index signal) { return signal >= 1 && signal <= nu; };
    // A sample of the undelayed slice signal (0: output, 1..nu: inputs),
    // time modulo Nfft, zero in the padding.
    auto sample = [&](Index signal, Index t) -> double {
        t = wrap(t, nfft);
        if (t >= nk) return 0.0;
        return signal == 0 ? Y_(s.rows.start + t) : U_(s.rows.start + t, signal - 1);
    };
    auto dropped = [&](Index t) { return wrap(t, nfft) >= kept && wrap(t, nfft) < nk; };

    if (!is_input(i) && !is_input(j)) return c.at(i, j, lag);  // output and pulses: unchanged
    if (i == 0) {
        // c_{y,u_d}(m) = c_{y,u}(m + d) - the terms of the dropped samples.
        double sum = 0.0;
        for (Index tau = kept; tau < nk; ++tau) sum += sample(0, tau + lag + delay) * sample(j, tau);
        return c.at(0, j, lag + delay) - scale * sum;
    }
    if (!is_input(j)) {
        // An input with a pulse: the delayed input's sample at the pulse.
        const Index pulse_at = j == c.signals() - 1 ? 0 : nk;
        const Index t = wrap(pulse_at + lag, nfft);
        return t >= delay && t < nk ? scale * sample(i, t - delay) : 0.0;
    }
    // Two inputs: every term with a dropped factor leaves, each once.
    double sum = 0.0;
    for (Index tau = kept; tau < nk; ++tau) {
        sum += sample(i, tau) * sample(j, tau - lag);
        if (!dropped(tau + lag)) sum += sample(i, tau + lag) * sample(j, tau);
    }
    return c.at(i, j, lag) - scale * sum;
}

Matrix DelayedNormalEquations::slice_matrix(Index slice, std::int64_t delay) const {
    const SliceCorrelations& s = slices_.at(static_cast<std::size_t>(slice));
    if (delay < 0 || delay > max_delay_ || delay > s.rows.samples)
        throw InvalidArgument("delay " + std::to_string(delay) + " outside the prepared range");
    const Index L = order_ + 1, nz = s.undelayed.signals(), m = nz * L;
    Matrix R(m, m);
    Vector values(2 * order_ + 1);  // the pair's correlations at lags -order..order
    for (Index i = 0; i < nz; ++i) {
        for (Index j = i; j < nz; ++j) {
            for (Index lag = -order_; lag <= order_; ++lag)
                values(order_ + lag) = delayed_correlation(s, i, j, lag, delay);
            // As StretchCorrelations::matrix fills it: entry (r, s) of block
            // (i, j) is the correlation at s - r; a diagonal block mirrors
            // its upper triangle.
            for (Index c = 0; c < L; ++c) {
                for (Index r = 0; r < L; ++r) {
                    const Index lag = (i == j && r > c) ? r - c : c - r;
                    R(i * L + r, j * L + c) = values(order_ + lag);
                    R(j * L + c, i * L + r) = values(order_ + lag);
                }
            }
        }
    }
    return R.topLeftCorner(m - 1, m - 1);  // the start pulse's largest lag is not a parameter
}

Matrix DelayedNormalEquations::matrix(std::int64_t delay) const {
    // The block-arrow accumulation of the sliced estimate: the shared
    // parameters summed over the slices, each slice's pulse parameters in
    // rows and columns of their own.
    const Index L = order_ + 1, nu = U_.cols(), shared = L * (1 + nu);
    Index size = shared;
    for (const SliceCorrelations& s : slices_) size += pulse_parameters(s.rows, order_);
    Matrix JhJ = Matrix::Zero(size, size);
    Index offset = shared;
    for (std::size_t k = 0; k < slices_.size(); ++k) {
        offset = add_slice_block(JhJ, slice_matrix(static_cast<Index>(k), delay), shared, offset);
    }
    return JhJ;
}

ArxModel DelayedNormalEquations::estimate(std::int64_t delay, WarningSink& warnings) const {
    const NormalEquations eq = fix_leading_coefficient(matrix(delay));
    return arx_from_solution(util::scipy_solve(eq.lhs, eq.rhs, warnings), order_, U_.cols());
}

}  // namespace vantrelpid::detail
