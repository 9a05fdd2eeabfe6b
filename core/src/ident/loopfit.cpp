#include "vantrelpid/ident/loopfit.hpp"

#include <cmath>
#include <limits>
#include <optional>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/ident/loop_simulation.hpp"
#include "vantrelpid/ident/mimofit.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/prep/sanity.hpp"
#include "vantrelpid/prep/segmask.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/util/grid.hpp"
#include "vantrelpid/util/simulation.hpp"

namespace vantrelpid {

namespace {

// A zero dead time is reported as this fraction of the sample time.
constexpr double kZeroDeadTimeFraction = 0.4;

// round(Delayc / Tident) + 1: a dead time in time units as a delay in
// samples with the hold. A dead time of the record's length or more leaves
// nothing to identify (and would not fit the integer delays).
std::int64_t delay_samples(double Delayc, double Tident, Index N) {
    const double samples = Delayc / Tident;
    if (std::isfinite(samples) && std::abs(samples) >= static_cast<double>(N))
        throw InvalidArgument("The dead time must be shorter than the record");
    return pynum::round_half_even(samples) + 1;
}

// The loop's slice selection and integrating flag, each made once, when
// first needed; a step that throws is tried again by the next reader. The
// selected stretches decide the early status; they are checked against the
// record, and their samples listed, when a consumer first needs the samples.
class LoopTables {
public:
    explicit LoopTables(const LoopData& in) : in_(in) {}

    const IntMatrix& slices() {
        if (!slices_) slices_ = selected_slices(in_.slice_table(), in_.Y.rows());
        return *slices_;
    }
    const CheckedSelection& selection() {
        if (!selection_) selection_ = CheckedSelection{slices(), CheckedSamples::of_slices(slices(), in_.Y.rows())};
        return *selection_;
    }
    IntegratingFlag flag() {
        if (!flag_) flag_ = in_.flag();
        return *flag_;
    }
    bool integrating() { return flag() == IntegratingFlag::Integrating; }

private:
    const LoopData& in_;
    std::optional<IntMatrix> slices_;
    std::optional<CheckedSelection> selection_;
    std::optional<IntegratingFlag> flag_;
};

void check_records(const LoopData& in) {
    if (in.U.cols() != 1) throw InvalidArgument("U must be an N x 1 column");
    if (in.Y.cols() != 1) throw InvalidArgument("Y must be an N x 1 column");
    if (in.U.rows() != in.Y.rows()) throw InvalidArgument("U and Y must have the same number of rows");
}

// The status of the checks that end the call at once, or none.
const char* early_status(const LoopData& in, LoopTables& tables) {
    if (!sanity(in.U).constant.empty()) return kStatusConstantMV;
    if (!sanity(in.Y).constant.empty()) return kStatusConstantCV;
    if (tables.slices().rows() == 0) return kStatusShortSlices;
    return nullptr;
}

// [1, c...] / c_last and [0, b...] / c_last: a model in descending powers of s
// from the free coefficients of its monic denominator and of its numerator.
void continuous_model(const Vector& free_den, const Vector& free_num, Vector& den, Vector& num) {
    const Index n = free_den.size();
    const double last = free_den(n - 1);
    den.resize(n + 1);
    num.resize(n + 1);
    den(0) = 1.0;
    num(0) = 0.0;
    den.tail(n) = free_den;
    num.tail(n) = free_num;
    den /= last;
    num /= last;
}

// The reduced model of the pair by its order.
void reduced_model(const PairReduction& r, LoopModel& out) {
    const double order = r.ORDER(0, 0);
    if (order == 1.0) {
        continuous_model(Vector::Constant(1, r.Ac1(0, 0)), Vector::Constant(1, r.Bc1(0, 0)), out.Apc, out.Bpc);
    } else if (order == 2.0) {
        continuous_model(Vector{{r.Ac1(0, 0), r.Ac2(0, 0)}}, Vector{{r.Bc1(0, 0), r.Bc2(0, 0)}}, out.Apc, out.Bpc);
    } else if (order == 3.0) {
        continuous_model(Vector{{r.Ac1(0, 0), r.Ac2(0, 0), r.Ac3(0, 0)}},
                         Vector{{r.Bc1(0, 0), r.Bc2(0, 0), r.Bc3(0, 0)}}, out.Apc, out.Bpc);
    } else {
        throw InvalidArgument("Unsupported model order");
    }
    continuous_model(Vector::Constant(1, r.Ac1_1(0, 0)), Vector::Constant(1, r.Bc1_1(0, 0)), out.Apc1, out.Bpc1);
}

// The tuning rows: a third coefficient of 0 is dropped (from each row on its
// own), then both rows are divided by the denominator's last coefficient.
void tuning_model(const PairReduction& r, LoopModel& out) {
    Vector den = r.DENc_tn.row(0).transpose();
    Vector num = r.NUMc_tn.row(0).transpose();
    if (den(2) == 0.0) den.conservativeResize(2);
    if (num(2) == 0.0) num.conservativeResize(2);
    const double last = den(den.size() - 1);
    out.Apc_tn = den / last;
    out.Bpc_tn = num / last;
}

// The delay in samples for the identification; sets the status when the
// search failed and the dead time when it was given.
std::int64_t loop_delay(const LoopData& in, LoopTables& tables, RandomSource& random, WarningSink& warnings,
                        const Cancellation& cancel, LoopModel& out) {
    if (!(in.Delayc_in < 0.0)) {
        out.Delayc = in.Delayc_in;
        out.delay_source = DeadTimeSource::Given;
        return delay_samples(in.Delayc_in, in.Tident, in.U.rows());
    }
    out.delay_source = DeadTimeSource::Found;
    DelaySearchOutputs outputs;
    outputs.selection = [&](Index, Index) { return tables.selection(); };
    outputs.integrating = [&](Index) { return tables.integrating(); };
    try {
        if (in.delay_search) return in.delay_search(in.U, in.Y, outputs, random, warnings);
        return search_dead_time(in.U, in.Y, outputs, random, warnings, cancel);
    } catch (...) {
        if (in.propagates && in.propagates(std::current_exception())) throw;
        out.Message = kStatusDelayFailed;
        return 1;
    }
}

// The first-order model's response and the bound widened by its distance to
// the reduced model, at the kept grid points.
void first_order_responses(const util::TransferFunction& full, const util::TransferFunction& first,
                           LoopModel& out) {
    const CMatrix H1 = util::misofrq(first.den, first.num.transpose(), out.w);
    const CMatrix H = util::misofrq(full.den, full.num.transpose(), out.w);
    out.FRQ1 = H1.col(0).cwiseAbs();
    out.BND1 = out.BND + (H.col(0) - H1.col(0)).cwiseAbs();
}

// An integrating output's model is followed by the integrator 1/s: its
// numerators and responses are per time unit.
void per_time_unit(double Tident, LoopModel& out) {
    const double k = 1.0 / Tident;
    for (Vector* v : {&out.Bpc, &out.Bpc_tn, &out.FRQ, &out.BND, &out.Bpc1, &out.FRQ1, &out.BND1}) *v *= k;
    out.STP *= k;
    out.STP1 *= k;
}

}  // namespace

std::int64_t search_dead_time(const Matrix& U, const Matrix& Y, const DelaySearchOutputs& outputs,
                              RandomSource& random, WarningSink& warnings, const Cancellation& cancel) {
    return deadtime(U, Y, outputs, random, warnings, cancel).Delay(0, 0);
}

LoopModel loopfit(const LoopData& in, RandomSource& random, WarningSink& warnings, const Cancellation& cancel) {
    check_records(in);
    LoopTables tables(in);
    LoopModel out;
    if (const char* status = early_status(in, tables)) {
        out.Message = status;
        return out;
    }
    if (!(std::isfinite(in.Tident) && in.Tident > 0.0))
        throw InvalidArgument("Tident must be a positive, finite sample time");
    require_finite_record(in.U, "U");
    require_finite_record(in.Y, "Y");

    const std::int64_t Delay = loop_delay(in, tables, random, warnings, cancel, out);
    OutputArguments args;
    args.selection = [&](Index, Index) { return tables.selection(); };
    args.integrating = [&](Index) { return tables.integrating(); };
    args.delays = [&](Index) { return IntVector::Constant(1, Delay); };
    const MultivariableModel id = mimofit(in.U, in.Y, args, random, cancel);
    out.w = id.w.tail(kLoopGridPoints);
    out.FRQ = id.Gh.col(0).tail(kLoopGridPoints);
    out.BND = id.BND_shw.col(0).tail(kLoopGridPoints);
    out.Grade = id.Grade.at(0);

    PairReductionInput pairs{id.model, id.ORDS, Matrix::Constant(1, 1, static_cast<double>(Delay)), true,
                             in.Tident, [&](Index) { return tables.flag(); }};
    const PairReduction r = pairtrim(pairs, random, warnings, cancel);
    out.STP = r.STP;
    out.STP1 = r.STP1;
    if (out.delay_source == DeadTimeSource::Found) out.Delayc = r.Delayc(0, 0);
    if (out.Delayc == 0.0) {
        out.Delayc = kZeroDeadTimeFraction * in.Tident;
        out.delay_source = DeadTimeSource::Replaced;
    }
    reduced_model(r, out);
    tuning_model(r, out);

    const util::TransferFunction first = util::c2dm2(out.Bpc1, out.Apc1, in.Tident);
    const util::TransferFunction full = util::c2dm2(out.Bpc, out.Apc, in.Tident);
    first_order_responses(full, first, out);

    const bool integrating = tables.integrating();
    const std::int64_t dlytem = delay_samples(out.Delayc, in.Tident, in.U.rows());
    const LoopSimulation sim =
        simulate_loop(in.U, in.Y, tables.selection().samples, integrating, id.model, Delay, first, dlytem);
    out.Ysim = sim.Ysim;
    out.Ysim1 = sim.Ysim1;
    out.Yerror = sim.Yerror;
    out.Yerror1 = sim.Yerror1;

    if (integrating) per_time_unit(in.Tident, out);
    out.identified = true;
    return out;
}

}  // namespace vantrelpid
