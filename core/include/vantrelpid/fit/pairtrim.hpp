#pragma once
// Pair-model reduction: every input/output pair of a stacked discrete model
// reduced to a continuous first- or second-order transfer function with a
// dead time, with the step responses of the reduced models and the tuning
// models of the diagonal pairs.

#include <functional>
#include <vector>

#include "vantrelpid/flags.hpp"
#include "vantrelpid/cancellation.hpp"
#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"
#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/warnings.hpp"

namespace vantrelpid {

// The order of a pair's reduced model from the validation errors e1 and e2 of
// its first- and second-order fits: 2 when 1.4 * e2 < e1 (strictly) and
// e1 >= 0.07, else 1. A non-finite error counts as +inf, so a diverged fit
// is never preferred and two non-finite errors give the first order.
int preferred_order(double e1, double e2);

struct PairReductionInput {
    util::StateSpace model;     // the stacked model; ny x nu from D
    std::vector<Index> ords;    // per-output orders
    Matrix delay;               // ny x nu delays in samples (1 = the hold), whole numbers
    bool integer_delays = true; // the delays came as integers (Delayc is then integral)
    double Ts = 1.0;            // sample time, positive and finite
    FlagReader flag;            // read when the reduction first needs it (not for an
                                // output whose pairs need no decision)
};

// The pair matrices of the reduction (ny x nu unless noted).
struct PairReduction {
    Matrix Ac1, Ac2, Ac3, Bc1, Bc2, Bc3;  // free coefficients of den and num in s
    Matrix Delayc;                        // (delay + detected delay - 1) * Ts
    Matrix ORDER;                         // 1, 2, or 0 for a pair without a chosen model
    Matrix DENc_tn, NUMc_tn;              // ny x 3 tuning models of the diagonal pairs
    Matrix STP;                           // 3000 x ny*nu step responses, pair (i, j) in column i*nu + j
    Matrix Ac1_1, Bc1_1;                  // the first-order model of every pair
    Matrix STP1;                          // its step responses
};

// Two pair fits (orders 1 and 2) drawing from `random`, the order choice,
// the conversion to continuous time and the step responses. A total delay
// that is not a whole number raises TypeMismatch, a negative one
// InvalidArgument; more outputs than inputs raise OutOfRange after the
// pairs are reduced (the tuning rows need the diagonal pairs).
PairReduction pairtrim(const PairReductionInput& in, RandomSource& random, WarningSink& warnings,
                       const Cancellation& cancel = Cancellation::never());

}  // namespace vantrelpid
