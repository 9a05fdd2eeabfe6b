#include "vantrelpid/sim/feedsim.hpp"

#include <optional>
#include <vector>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid::sim {

namespace {

using util::c2dm2;
using util::TransferFunction;

// x[i] and X[i, j] with numpy's bounds.
double at(const Vector& x, Index i) { return x(pynum::normalize_index(i, x.size(), 0)); }
double at(const Matrix& X, Index i, Index j) {
    const Index row = pynum::normalize_index(i, X.rows(), 0);
    return X(row, pynum::normalize_index(j, X.cols(), 1));
}
std::int64_t at(const std::vector<std::int64_t>& x, Index i) {
    return x[static_cast<std::size_t>(pynum::normalize_index(i, static_cast<std::int64_t>(x.size()), 0))];
}

std::optional<std::string> refusal(const FeedsimInput& in, FeedsimSizes& sizes) {
    if (auto r = pid_refusal(in.pid)) return r;
    if (in.has_integrators()) return kStatusIntegrators;
    sizes = in.sizes();
    if (sizes.nu - sizes.ny > kMostFeedforwardVariables) return kStatusTooManyFF;
    if (sizes.nu == 1) return kStatusNoFFModel;
    if (sizes.ny > 1) return kStatusNotSingleLoop;
    return std::nullopt;
}

// The step responses of one disturbance and of its compensator.
struct FeedforwardInputs {
    Vector Ydist, Vff;
};

FeedforwardInputs feedforward_inputs(const FeedsimModel& m, const std::vector<std::int64_t>& dly, Index ny,
                                     Index i, double Ts) {
    const Index input = ny + i;
    const double gain = at(m.Gain_1, input);
    const double lag = at(m.Tau_1, 0, input);
    const TransferFunction held_disturbance = c2dm2(coefficients(0.0, gain), coefficients(lag, 1.0), Ts);
    const TransferFunction disturbance = delayed(held_disturbance, at(dly, input));
    const double K_ff = at(m.FF, i, 0), lead = at(m.FF, i, 2), ff_lag = at(m.FF, i, 1);
    const TransferFunction held_compensator = c2dm2(coefficients(K_ff * lead, K_ff), coefficients(ff_lag, 1.0), Ts);
    const TransferFunction compensator = delayed(held_compensator, round_samples(at(m.FF, i, 3), Ts));
    return {step_response(disturbance.num, disturbance.den), step_response(compensator.num, compensator.den)};
}

}  // namespace

FeedsimResult feedsim(const FeedsimInput& in) {
    FeedsimResult out;
    FeedsimSizes sizes;
    if (auto r = refusal(in, sizes)) {
        out.Message = *r;
        return out;
    }
    const Index nFF = sizes.nu - sizes.ny;
    if (nFF < 0) throw InvalidArgument("negative dimensions are not allowed");
    const FeedsimModel m = in.model();

    std::vector<std::int64_t> dly(static_cast<std::size_t>(m.Delayc.size()));
    for (Index k = 0; k < m.Delayc.size(); ++k) dly[static_cast<std::size_t>(k)] = round_samples(m.Delayc(k), m.Ts);
    const std::int64_t d0 = at(dly, 0);

    Matrix Ydist(kResponseLength, nFF), Vff(kResponseLength, nFF);
    for (Index i = 0; i < nFF; ++i) {
        FeedforwardInputs f = feedforward_inputs(m, dly, sizes.ny, i, m.Ts);
        Ydist.col(i) = f.Ydist;
        Vff.col(i) = f.Vff;
    }

    const TransferFunction P = delayed(c2dm2(m.Bpc_tn, m.Apc_tn, m.Ts, in.cancel), d0);
    const ControllerPolynomials c = controller(in.pid, in.Type, m.SPLLAG, FoxIntFilter::Weighted, kUnknownPidType);
    const TransferFunction Kd = c2dm2(c.N2, c.D, m.Ts, in.cancel);
    const TransferFunction L = delayed(c2dm2(product(c.N2, m.Bpc_tn), product(c.D, m.Apc_tn), m.Ts, in.cancel), d0);
    const Vector Acl = add(L.den, L.num);
    const Vector controller_path = product(P.den, Kd.num);
    const Vector plant_path = product(Kd.den, P.num);

    out.simulated = true;
    out.Yff.resize(kResponseLength, nFF);
    out.Uff.resize(kResponseLength, nFF);
    out.Yff0.resize(kResponseLength, nFF);
    out.Uff0.resize(kResponseLength, nFF);
    for (Index i = 0; i < nFF; ++i) {
        const Vector y0 = response(L.den, Acl, Ydist.col(i));
        const Vector u0 = -response(controller_path, Acl, Ydist.col(i));
        out.Yff0.col(i) = y0;
        out.Uff0.col(i) = u0;
        out.Yff.col(i) = y0 - response(plant_path, Acl, Vff.col(i));
        out.Uff.col(i) = u0 - response(L.den, Acl, Vff.col(i));
    }
    if (!within(out.Yff.reshaped(), kFeedsimLimit)) out.Message = kStatusUnstable;
    return out;
}

}  // namespace vantrelpid::sim
