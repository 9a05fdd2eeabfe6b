#include "vantrelpid/tune/twotier.hpp"

#include <cmath>
#include <cstdint>
#include <limits>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/fit/pairtrim.hpp"
#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/util/linalg.hpp"
#include "vantrelpid/util/poly.hpp"
#include "vantrelpid/util/simulation.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

namespace {

using util::TransferFunction;

// floor(Delayc / Ts): a dead time in whole samples, rounded down, at most
// `longest` samples.
Index whole_samples(double Delayc, double Ts, const char* name, double longest) {
    if (!(std::isfinite(Delayc) && Delayc >= 0.0))
        throw InvalidArgument(std::string(name) + " must be a non-negative, finite dead time");
    const double d = std::floor(Delayc / Ts);
    if (!(d <= longest)) throw InvalidArgument(std::string(name) + " is too long for the sample time");
    return static_cast<Index>(d);
}

// The outer dead time only shifts the reduction's step responses; beyond
// int32 it would not fit the reduction's delays.
constexpr double kLongestOuterDeadTime = static_cast<double>(std::numeric_limits<std::int32_t>::max() - 1);

Vector pad_front(const Vector& p, Index d) {
    Vector out = Vector::Zero(p.size() + d);
    out.tail(p.size()) = p;
    return out;
}

Vector pad_back(const Vector& p, Index d) {
    Vector out = Vector::Zero(p.size() + d);
    out.head(p.size()) = p;
    return out;
}

// zoh(N Bc2 / (D Ac2)) with the inner dead time folded in: d2 leading zeros
// of the numerator, d2 trailing zeros of the denominator.
TransferFunction loop_product(const Vector& N, const Vector& D, const CascadeInput& in, Index d2) {
    const TransferFunction L =
        util::c2dm2(util::convolve(N, in.Bc2, in.cancel), util::convolve(D, in.Ac2, in.cancel), in.Ts1, in.cancel);
    return {pad_front(L.num, d2), pad_back(L.den, d2)};
}

// The inner loop from its set-point to its process value (see the header).
TransferFunction inner_closed_loop(const CascadeInput& in, Index d2) {
    const sim::ControllerPolynomials c =
        sim::controller_polynomials(in.PID2, in.Type2, in.SPLLAG2, sim::FoxIntFilter::Weighted);
    const TransferFunction L = loop_product(c.N2, c.D, in, d2);
    const Vector S = L.den + L.num;
    if (c.single_numerator) return {L.num, S};
    const Vector Bd2 = pad_front(util::c2dm2(in.Bc2, in.Ac2, in.Ts1, in.cancel).num, d2);
    const Vector Spn = util::c2dm2(c.N1, c.D, in.Ts1, in.cancel).num;
    return {util::convolve(Bd2, Spn, in.cancel), S};
}

// The eigenvalues are one step that `cancel` cannot interrupt.
bool stable(const Matrix& A, const Cancellation& cancel) {
    if (A.size() == 0) return true;
    cancel.poll();
    return util::eigenvalues(A).cwiseAbs().maxCoeff() <= 1.0 + kCascadeStabilityTolerance;
}

// std(SPdata2) / std(MVdata1), sample deviations over all values.
double data_scale(const CascadeInput& in) {
    if (!in.MVdata1.allFinite() || !in.SPdata2.allFinite())
        throw InvalidArgument("MVdata1 and SPdata2 must be finite");
    const double scale = util::stddev(in.SPdata2, 1) / util::stddev(in.MVdata1, 1);
    if (!(std::isfinite(scale) && scale > 0.0)) throw InvalidArgument("MVdata1 and SPdata2 must both vary");
    return scale;
}

// [1, a1..an] / an and [0, b1..bn] / an from the pair's free coefficients,
// and the first-order model [1, p] / p and [0, q] / p.
void reduced_model(const PairReduction& r, CascadeModel& out) {
    const double order = r.ORDER(0, 0);
    const Matrix* a[] = {&r.Ac1, &r.Ac2, &r.Ac3};
    const Matrix* b[] = {&r.Bc1, &r.Bc2, &r.Bc3};
    if (!(order == 1.0 || order == 2.0 || order == 3.0)) throw InvalidArgument("Unsupported model order");
    const Index n = static_cast<Index>(order);
    out.Acas.resize(n + 1);
    out.Bcas.resize(n + 1);
    out.Acas(0) = 1.0;
    out.Bcas(0) = 0.0;
    for (Index k = 0; k < n; ++k) {
        out.Acas(k + 1) = (*a[k])(0, 0);
        out.Bcas(k + 1) = (*b[k])(0, 0);
    }
    const double last = out.Acas(n);
    out.Acas /= last;
    out.Bcas /= last;
    const double p = r.Ac1_1(0, 0), q = r.Bc1_1(0, 0);
    out.Acas_1 = Vector{{1.0 / p, 1.0}};
    out.Bcas_1 = Vector{{0.0, q / p}};
}

// The tuning rows: a last coefficient of 0 is dropped from each row on its
// own, then both are divided by the denominator's last coefficient.
void tuning_model(const PairReduction& r, CascadeModel& out) {
    Vector den = r.DENc_tn.row(0).transpose();
    Vector num = r.NUMc_tn.row(0).transpose();
    if (den(den.size() - 1) == 0.0) den.conservativeResize(den.size() - 1);
    if (num(num.size() - 1) == 0.0) num.conservativeResize(num.size() - 1);
    const double last = den(den.size() - 1);
    out.Acas_tn = den / last;
    out.Bcas_tn = num / last;
}

// The first-order model's amplitude, and the full bound widened by the gap
// between the reduced and the first-order model (neither with dead time).
void first_order_responses(const CascadeInput& in, CascadeModel& out) {
    const TransferFunction first = util::c2dm2(out.Bcas_1, out.Acas_1, in.Ts1, in.cancel);
    const TransferFunction full = util::c2dm2(out.Bcas, out.Acas, in.Ts1, in.cancel);
    const CVector H1 = util::misofrq(first.den, first.num.transpose(), in.w, in.cancel).col(0);
    const CVector H = util::misofrq(full.den, full.num.transpose(), in.w, in.cancel).col(0);
    out.FRQcas_1 = H1.cwiseAbs();
    out.BNDcas_1 = out.BNDcas + (H - H1).cwiseAbs();
}

}  // namespace

DiscreteCascade cascade_model(const CascadeInput& in) {
    const Index d2 = whole_samples(in.Delayc2, in.Ts1, "Delayc2", static_cast<double>(kLongestInnerDeadTime));
    const TransferFunction CL = inner_closed_loop(in, d2);
    const TransferFunction P1 = util::c2dm2(in.Bc1, in.Ac1, in.Ts1, in.cancel);
    return {CL.num, CL.den, util::convolve(CL.num, P1.num, in.cancel), util::convolve(CL.den, P1.den, in.cancel)};
}

CascadeModel twotier(const CascadeInput& in, RandomSource& random, WarningSink& warnings) {
    if (!(std::isfinite(in.Ts1) && in.Ts1 > 0.0))
        throw InvalidArgument("Ts1 must be a positive, finite sample time");
    if (in.BND1.size() != in.w.size()) throw InvalidArgument("BND1 must hold one value per point of w");
    const Index d1 = whole_samples(in.Delayc1, in.Ts1, "Delayc1", kLongestOuterDeadTime);

    CascadeModel out;
    const DiscreteCascade m = cascade_model(in);
    out.FRQcas = util::d_bode2(m.num, m.den, in.w, in.cancel);
    out.BNDcas = in.BND1.cwiseProduct(util::d_bode2(m.CLn, m.CLd, in.w, in.cancel));
    const util::StateSpace ss = util::armax2ss(m.den, m.num.transpose());
    if (!stable(ss.A, in.cancel)) {
        out.Message = kCascadeUnstable;
        return out;
    }
    const double scale = data_scale(in);

    const IntegratingFlag flag = in.integrating ? IntegratingFlag::Integrating : IntegratingFlag::SelfRegulating;
    const PairReductionInput pair{ss, {m.den.size() - 1}, Matrix::Constant(1, 1, static_cast<double>(d1)), true,
                                  in.Ts1, [flag](Index) { return flag; }};
    const PairReduction r = pairtrim(pair, random, warnings, in.cancel);
    out.Delaycas = r.Delayc(0, 0);
    out.STPcas = r.STP;
    out.STPcas_1 = r.STP1;
    reduced_model(r, out);
    tuning_model(r, out);
    first_order_responses(in, out);

    // The numerators from the inner set-point to the outer controller's
    // output. An integrating outer process needs nothing more: its integrator
    // follows Bc1/Ac1, which is per time unit, and so are the model and its
    // responses (the hold keeps the static gain); nothing is divided by Ts1.
    out.Bcas *= scale;
    out.Bcas_tn *= scale;
    out.reduced = true;
    return out;
}

}  // namespace vantrelpid
