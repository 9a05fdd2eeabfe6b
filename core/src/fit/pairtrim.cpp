#include "vantrelpid/fit/pairtrim.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/fit/slimfit.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/lfilter.hpp"

namespace vantrelpid {

namespace {

constexpr Index kStepSamples = 3000;       // length of the step responses
constexpr double kSecondOrderWeight = 1.4;  // penalty of the second-order error
constexpr double kFirstOrderEnough = 0.07;  // a first-order error below this settles it

// A pair's discrete model in powers of z^-1, the numerator without its delay.
struct DiscreteModel {
    Vector num;  // [b1] or [b1, b2]
    Vector den;  // [1, a1] or [1, a1, a2]
};

DiscreteModel first_order(const PairFits& f, Index i, Index j) {
    DiscreteModel m{Vector(1), Vector(2)};
    m.num << f.Num[0](i, j);
    m.den << 1.0, f.Den[0](i, j);
    return m;
}

DiscreteModel second_order(const PairFits& f, Index i, Index j) {
    DiscreteModel m{Vector(2), Vector(3)};
    m.num << f.Num[0](i, j), f.Num[1](i, j);
    m.den << 1.0, f.Den[0](i, j), f.Den[1](i, j);
    return m;
}

// The continuous model of the hold: the numerator [0, b...] of the one-sample
// hold goes to the inverse discretisation with the denominator.
util::TransferFunction continuous(const DiscreteModel& m, double Ts) {
    Vector numd = Vector::Zero(m.num.size() + 1);
    numd.tail(m.num.size()) = m.num;
    util::TransferFunction c = util::d2cm2(numd, m.den, Ts);
    if (c.num.size() < m.den.size() || c.den.size() < m.den.size())
        throw InvalidArgument("the continuous model has fewer coefficients than the discrete one");
    return c;
}

// Integer delays give integer dead times: each total delay and each dead
// time must be an int64 value.
void require_integral_dead_times(const Matrix& total, const Matrix& Delayc) {
    for (Index i = 0; i < total.rows(); ++i)
        for (Index j = 0; j < total.cols(); ++j)
            if (!pynum::fits_int64(total(i, j)) || !pynum::fits_int64(Delayc(i, j)))
                throw InvalidArgument("Delay is too large: the total delay of pair (" + std::to_string(i) + ", " +
                                      std::to_string(j) + ") or its dead time does not fit in a 64-bit integer");
}

// A total delay as a count of leading zeros: a whole, non-negative number.
Index whole_delay(double d) {
    if (!std::isfinite(d) || d != std::floor(d))
        throw TypeMismatch("'numpy.float64' object cannot be interpreted as an integer");
    if (d < 0.0) throw InvalidArgument("negative dimensions are not allowed");
    return d >= static_cast<double>(kStepSamples) ? kStepSamples : static_cast<Index>(d);
}

// The unit-step response of the model with `delay` leading zeros in its
// numerator: the undelayed response shifted by `delay` samples (the zero
// coefficients change nothing in the recursion).
Vector step_response(const DiscreteModel& m, Index delay) {
    Vector y = Vector::Zero(kStepSamples);
    const Index n = kStepSamples - delay;
    if (n > 0) y.tail(n) = util::lfilter(m.num, m.den, Vector::Ones(n));
    return y;
}

// The integrating flags, each read once and only when a decision needs it.
class Flags {
public:
    Flags(const FlagReader& read, Index outputs) : read_(read), cache_(static_cast<std::size_t>(outputs)) {}

    IntegratingFlag operator()(Index i) {
        auto& slot = cache_[static_cast<std::size_t>(i)];
        if (!slot) slot = read_(i);
        return *slot;
    }

private:
    const FlagReader& read_;
    std::vector<std::optional<IntegratingFlag>> cache_;
};

// The order of pair (i, j): the preferred order, forced to 1 for an
// integrating output. 0 when the second order is preferred but the flag is
// neither 0 nor 1: such a pair gets no chosen model.
int chosen_order(double e1, double e2, Index i, Flags& flags) {
    const int order = preferred_order(e1, e2);
    if (e1 < kFirstOrderEnough) return order;
    const IntegratingFlag flag = flags(i);
    if (flag == IntegratingFlag::Integrating) return 1;
    if (order == 2 && flag != IntegratingFlag::SelfRegulating) return 0;
    return order;
}

void set_row(Matrix& M, Index i, const Vector& v) {
    const Index n = std::min<Index>(v.size(), M.cols());
    M.row(i).head(n) = v.head(n).transpose();
}

PairReduction zero_reduction(Index ny, Index nu) {
    PairReduction r;
    for (Matrix* M : {&r.Ac1, &r.Ac2, &r.Ac3, &r.Bc1, &r.Bc2, &r.Bc3, &r.ORDER, &r.Ac1_1, &r.Bc1_1})
        *M = Matrix::Zero(ny, nu);
    r.DENc_tn = Matrix::Zero(ny, 3);
    r.NUMc_tn = Matrix::Zero(ny, 3);
    r.STP = Matrix::Zero(kStepSamples, ny * nu);
    r.STP1 = Matrix::Zero(kStepSamples, ny * nu);
    return r;
}

}  // namespace

int preferred_order(double e1, double e2) {
    if (e1 < kFirstOrderEnough) return 1;
    // The smaller of e1 and 1.4 e2, the first on a tie, non-finite as +inf.
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double first = std::isfinite(e1) ? e1 : inf;
    const double second = std::isfinite(e2) ? kSecondOrderWeight * e2 : inf;
    return second < first ? 2 : 1;
}

PairReduction pairtrim(const PairReductionInput& in, RandomSource& random, WarningSink& warnings,
                       const Cancellation& cancel) {
    const Index ny = in.model.D.rows(), nu = in.model.D.cols();
    if (in.delay.rows() != ny || in.delay.cols() != nu)
        throw InvalidArgument("Delay must be one number or a matrix of one delay per pair");
    const PairFits fit1 = slimfit(in.model, in.ords, 1, random, warnings, cancel);
    const PairFits fit2 = slimfit(in.model, in.ords, 2, random, warnings, cancel);

    PairReduction r = zero_reduction(ny, nu);
    const Matrix total = in.delay + fit2.ExtrDl.cast<double>();
    r.Delayc = (total.array() - 1.0) * in.Ts;
    if (in.integer_delays) require_integral_dead_times(total, r.Delayc);
    Flags flags(in.flag, ny);

    for (Index i = 0; i < ny; ++i) {
        for (Index j = 0; j < nu; ++j) {
            const int order = chosen_order(fit1.ERR(i, j), fit2.ERR(i, j), i, flags);
            const DiscreteModel m1 = first_order(fit1, i, j);
            const util::TransferFunction c1 = continuous(m1, in.Ts);
            const Index delay = whole_delay(total(i, j));
            const Vector step1 = step_response(m1, delay);
            const Index column = i * nu + j;
            if (order == 1) {
                r.Ac1(i, j) = c1.den(1);
                r.Bc1(i, j) = c1.num(1);
                r.STP.col(column) = step1;
            } else if (order == 2) {
                const DiscreteModel m2 = second_order(fit2, i, j);
                const util::TransferFunction c2 = continuous(m2, in.Ts);
                r.Ac1(i, j) = c2.den(1);
                r.Ac2(i, j) = c2.den(2);
                r.Bc1(i, j) = c2.num(1);
                r.Bc2(i, j) = c2.num(2);
                r.STP.col(column) = step_response(m2, delay);
            }
            r.ORDER(i, j) = order;
            r.Ac1_1(i, j) = c1.den(1);
            r.Bc1_1(i, j) = c1.num(1);
            r.STP1.col(column) = step1;
        }
    }

    // Tuning models of the diagonal pairs: the first-order model, or the
    // second-order one where it was chosen for a self-regulating output.
    for (Index i = 0; i < ny; ++i) {
        if (i >= nu)
            throw OutOfRange(pynum::out_of_bounds_message(i, nu, 1));
        const util::TransferFunction c1 = continuous(first_order(fit1, i, i), in.Ts);
        set_row(r.NUMc_tn, i, c1.num);
        set_row(r.DENc_tn, i, c1.den);
        if (r.ORDER(i, i) == 2 && flags(i) == IntegratingFlag::SelfRegulating) {
            const util::TransferFunction c2 = continuous(second_order(fit2, i, i), in.Ts);
            set_row(r.NUMc_tn, i, c2.num);
            set_row(r.DENc_tn, i, c2.den);
        }
    }
    return r;
}

}  // namespace vantrelpid
