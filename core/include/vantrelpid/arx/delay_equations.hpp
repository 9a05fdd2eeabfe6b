#pragma once
// The sliced estimate's normal equations for many candidate delays at the
// cost of one set of FFT correlations.
//
// The dead-time search fits the same order-n ARX equations (every slice's
// samples n..Nk-1) once per candidate delay d, with d on every input. The
// slices, their FFT lengths (planned for order n, so a padding of 0 or at
// least n + 1), the output and the pulses do not depend on d; only the inputs
// move. Inside a slice the delayed input is
//
//     u_d(t) = u(t - d) for d <= t < Nk,   0 for t < d (and in the padding),
//
// the circular shift by d of u~_d, the slice's input with its last d samples
// (the dropped set T = {Nk-d, ..., Nk-1}) set to zero: no sample wraps, since
// Nk <= Nfft. With the circular correlations of the correlation core,
// c_ab(m) = Nfft * sum_t a(t) b((t - m) mod Nfft), that gives
//
//   c_yy, and every pair of the output and the pulses:    unchanged;
//   c_{y,u_d}(m)     = c_{y,u}(m + d) - Nfft * sum_{tau in T} y((tau + m + d) mod Nfft) u(tau);
//   c_{u_d^i,u_d^j}(m) = c_{u^i,u^j}(m) - Nfft * (the terms of c_{u^i,u^j}(m) in which
//                      either factor is a sample of T)
//                    = c_{u^i,u^j}(m) - Nfft * [ sum_{tau in T} u^i(tau) u^j((tau - m) mod Nfft)
//                                            + sum_{tau in T, (tau + m) mod Nfft not in T}
//                                                  u^i((tau + m) mod Nfft) u^j(tau) ];
//   c_{u_d,pulse}(m) = Nfft * u_d((t_pulse + m) mod Nfft), read off the record.
//
// So each slice's correlations of the undelayed signals are computed once, at
// every lag the largest candidate needs (n + max_delay), and each candidate's
// blocks follow from them with corrections of O(d) terms per lag. The blocks
// are then filled, mirrored and trimmed, and the slices accumulated, exactly
// as the sliced estimate does: the equations are the ones it builds for that
// delay, up to the rounding of the FFTs.

#include <cstdint>
#include <vector>

#include "vantrelpid/arx/correlation.hpp"
#include "vantrelpid/arx/model.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/warnings.hpp"

namespace vantrelpid::detail {

// One slice as the sliced estimate plans it (seglsq.hpp: sliced_estimate_plan,
// check_delays_fit), planned once per output for all candidate delays.
using PlannedSlice = SlicePlan;

// The normal equations of every candidate delay from one set of correlations
// per slice. U (N x nu) and Y (N) are the record the plan refers to; they are
// read again for the corrections, so they must outlive this object and stay
// unchanged. A slice outside the record, or with another FFT length than the
// sliced estimate's for this order, raises InvalidArgument.
class DelayedNormalEquations {
public:
    DelayedNormalEquations(const Matrix& U, const Vector& Y, std::vector<PlannedSlice> plan, std::int64_t order,
                           std::int64_t max_delay);
    // The record is kept by reference: no temporaries.
    DelayedNormalEquations(Matrix&&, const Vector&, std::vector<PlannedSlice>, std::int64_t, std::int64_t) = delete;
    DelayedNormalEquations(const Matrix&, Vector&&, std::vector<PlannedSlice>, std::int64_t, std::int64_t) = delete;

    // The sliced estimate's accumulated matrix JhJ with delay d (0..max_delay,
    // at most every slice's length) on every input: the shared parameters
    // first, then each slice's pulse parameters.
    Matrix matrix(std::int64_t delay) const;

    // The ARX model the sliced estimate fits with that delay: the same LU
    // solve, LinAlgError for an exactly singular matrix, a warning for an
    // ill-conditioned one. Draws nothing.
    ArxModel estimate(std::int64_t delay, WarningSink& warnings) const;

    // One slice's correlation matrix with delay d on every input: what
    // StretchCorrelations(delayed inputs, output, order, Nfft).matrix(order)
    // gives, derived from the undelayed correlations by the identities above.
    Matrix slice_matrix(Index slice, std::int64_t delay) const;

private:
    struct SliceCorrelations {
        PlannedSlice rows;
        StretchCorrelations undelayed;  // lags up to order + max_delay
    };

    double delayed_correlation(const SliceCorrelations& s, Index i, Index j, Index lag, Index delay) const;

    const Matrix& U_;
    const Vector& Y_;
    Index order_ = 0;
    Index max_delay_ = 0;
    std::vector<SliceCorrelations> slices_;
};

}  // namespace vantrelpid::detail
