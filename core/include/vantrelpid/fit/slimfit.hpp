#pragma once
// Low-order pair fit: every input/output pair of a stacked discrete model
// reduced to a discrete transfer function of order 1 to 4 with a dead time.
//
// For each pair the high-order model's step response gives the dead time,
// its impulse response (with the dead time cut off) driven by a fixed
// step-test input gives the record that an output-error model is fitted to,
// a seeded binary sequence validates the fit, and the fitted static gain is
// corrected to the high-order model's.

#include <array>
#include <cstdint>
#include <vector>

#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/warnings.hpp"

namespace vantrelpid {

// The highest order of the reduced pair models.
inline constexpr std::int64_t kMaxPairOrder = 4;

// Raises InvalidArgument("Order too high") for an order above kMaxPairOrder.
void require_pair_order(std::int64_t order);

// Pair matrices (ny x nu, indexed [output, input]) of the reduction.
struct PairFits {
    IntMatrix ExtrDl;          // detected delay in samples (1 = the one-sample hold)
    Matrix ERR;                // relative validation error of the fit
    std::array<Matrix, 4> Num; // Num[k](i, j): numerator coefficient b_k
    std::array<Matrix, 4> Den; // Den[k](i, j): denominator coefficient a_(k+1)
};

// The step-test input: 2910 samples in nine constant segments (0, -1, +1,
// -1, +1, -1, +1, -1, 0 over 90, 200, 310, 580, 310, 580, 310, 380, 150).
Vector create_input_signal();

// The dead time of a pair from its 200-sample step response s, with
// M = max |s|: r is the first k < 100 with |s[k]| >= 0.12 M (30 when there is
// none), and the delay is 1 + the last k < r with |s[k]| <= 0.02 M (0 when
// there is none). Comparisons with NaN are false.
Index step_response_delay(const Vector& s);

// Pair models of order `order` of the stacked model with per-output orders
// `ords`. An order above 4 raises "Order too high" before anything is drawn;
// an order of 0 or below gives the zero model (all coefficients 0, ERR 1).
// Draws one randn(2910) batch, then, after each pair's fit, the seeded
// validation sequence. Divisions by zero follow IEEE arithmetic and are
// reported to `warnings` as numpy reports them.
PairFits slimfit(const util::StateSpace& model, const std::vector<Index>& ords, std::int64_t order,
                 RandomSource& random, WarningSink& warnings, const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid
