#include "vantrelpid/ident/legacyloop.hpp"

#include <algorithm>
#include <cmath>
#include <exception>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/ident/mimofit.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/util/simulation.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

// The number of samples at which the set point differs from the one before.
std::int64_t set_point_changes(const Vector& R) {
    std::int64_t changes = 0;
    for (Index t = 1; t < R.size(); ++t) changes += std::abs(R(t) - R(t - 1)) > 0.0;
    return changes;
}

// The covariance of R and Y, each normalised by its mean and sample
// deviation: their correlation coefficient (NaN when either is constant).
double normalised_covariance(const Vector& R, const Vector& Y) {
    Matrix Z(R.size(), 2);
    Z.col(0) = (R.array() - util::mean(R)) / util::stddev(R, 1);
    Z.col(1) = (Y.array() - util::mean(Y)) / util::stddev(Y, 1);
    return util::covariance(Z)(0, 1);
}

// The status of the checks before the identification; a stop is returned
// with `stop` set.
std::string record_status(const Vector& R, const Vector& Y, bool& stop) {
    stop = true;
    const std::int64_t changes = set_point_changes(R);
    if (changes == 0) return kLoopStatusNoSetPointMove;
    std::string status = changes < kLoopMinSetPointChanges ? kLoopStatusWeakSetPoint : kLoopStatusOK;
    if (R.size() != Y.size()) throw InvalidArgument("R and Y must have the same number of samples");
    if (normalised_covariance(R, Y) > kLoopMaxCorrelation) return kLoopStatusCorrelated;
    const double sY = util::stddev(Y, 1), sR = util::stddev(R, 1);
    if (sY == 0.0) return kLoopStatusNoPVMove;
    if (sR / sY < kLoopMinDeviationRatio) status = kLoopStatusWeakSetPoint;
    stop = false;
    return status;
}

// The loop from set point to PV, its gain set to 1.
util::StateSpace closed_loop_model(const Matrix& R, const Matrix& Y, std::int64_t dly,
                                   const std::function<IntMatrix()>& slice_table, RandomSource& random) {
    OutputArguments args;
    args.selection = [&](Index, Index n_rows) { return checked_selection(slice_table(), n_rows); };
    args.integrating = [](Index) { return false; };
    args.delays = [dly](Index) { return IntVector::Constant(1, dly); };
    const MultivariableModel id = mimofit(R, Y, args, random);
    return util::gainmodifyss(id.model, kLoopGain, kLoopPoleRadius);
}

}  // namespace

ExistingLoopResponse legacyloop(const ExistingLoopData& in, RandomSource& random) {
    ExistingLoopResponse out;
    bool stop = false;
    out.Message = record_status(in.R, in.Y, stop);
    if (stop) return out;

    const Index N = std::min({in.Y.size(), in.R.size(), in.U_length()});
    const double Delayc = in.Delayc();
    const double Tident = in.Tident();
    if (Tident == 0.0) throw DivisionByZero("float division by zero");
    const std::int64_t dly = pynum::round_half_even(Delayc / Tident);

    util::StateSpace model;
    try {
        model = closed_loop_model(in.R.head(N), in.Y.head(N), dly, in.slice_table, random);
    } catch (const std::exception& e) {
        if (in.is_failure && !in.is_failure(e)) throw;
        out.Message = kLoopStatusFailed;
        return out;
    }
    const Matrix step = util::add_dly(Vector::Ones(kLoopStepLength), IntVector::Constant(1, dly));
    out.STPRSP = util::dsssim(model, step).col(0);
    out.identified = true;
    return out;
}

}  // namespace vantrelpid
