#include "vantrelpid/sim/loopsim.hpp"

#include <exception>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/util/simulation.hpp"

namespace vantrelpid::sim {

namespace {

using util::c2dm2;
using util::TransferFunction;

// a (op) b elementwise, broadcast as numpy broadcasts two vectors.
template <class Op>
Vector broadcast(const Vector& a, const Vector& b, Op op) {
    if (a.size() != b.size() && a.size() != 1 && b.size() != 1)
        throw InvalidArgument("operands could not be broadcast together with shapes (" + std::to_string(a.size()) +
                              ",) (" + std::to_string(b.size()) + ",) ");
    const Index n = a.size() == 1 ? b.size() : a.size();
    Vector out(n);
    for (Index k = 0; k < n; ++k) out(k) = op(a(a.size() == 1 ? 0 : k), b(b.size() == 1 ? 0 : k));
    return out;
}

// BND times the amplitude, divided by w for an integrating plant.
Vector robustness(const Vector& BND, const Vector& amplitude, const Vector& w, bool integrating) {
    const Vector r = broadcast(BND, amplitude, [](double x, double y) { return x * y; });
    return integrating ? broadcast(r, w, [](double x, double y) { return x / y; }) : r;
}

// The simulation after the PID checks; it fills `out` as it goes, so that a
// failure keeps what was computed before it. Returns false when unstable.
class Simulation {
public:
    Simulation(const LoopsimInput& in, LoopsimResult& out, const Cancellation& cancel)
        : in_(in), out_(out), cancel_(cancel) {}

    bool run() {
        const TransferFunction plant = loop_plant(in_.Apc, in_.Bpc, in_.integrating);
        Apc_ = plant.den;
        Bpc_ = plant.num;
        nd_ = floor_samples(in_.Delay, in_.Ts);
        const TransferFunction P = delayed(c2dm2(Bpc_, Apc_, in_.Ts, cancel_), nd_);
        B_ = P.num;
        A_ = P.den;
        const TransferFunction filter = c2dm2(coefficients(0.0, 1.0), coefficients(in_.Tauf, 1.0), in_.Ts, cancel_);
        const ControllerPolynomials c =
            controller(in_.pid, in_.Type, in_.SPLLAG, FoxIntFilter::Plain, kPidTypeUnknown);
        return c.single_numerator ? one_degree_of_freedom(c.D, c.N1, filter) : two_degrees_of_freedom(c);
    }

private:
    // The open loop num/den held as one product, its dead time not folded in.
    TransferFunction held(const Vector& num, const Vector& den) const { return c2dm2(num, den, in_.Ts, cancel_); }

    bool one_degree_of_freedom(const Vector& D, const Vector& N, const TransferFunction& filter) {
        const TransferFunction Kd = c2dm2(N, D, in_.Ts, cancel_);
        const TransferFunction L = delayed(held(product(N, Bpc_), product(D, Apc_)), nd_);
        const Vector lag = coefficients(in_.Tauf, 1.0);
        const TransferFunction LF0 = held(product(coefficients(0.0, 1.0), N, Bpc_), product(lag, D, Apc_));
        const TransferFunction LF = delayed(LF0, nd_);
        const Vector S = add(LF.den, LF.num);

        out_.Ysp = step_response(product(filter.den, L.num), S);
        if (!within(*out_.Ysp, kLoopsimSetpointLimit1Dof)) return false;
        out_.Uld = step_response(LF.den, S);
        out_.Usp = response(Kd.num, Kd.den, *out_.Uld);
        out_.Yld = step_response(product(B_, Kd.den, filter.den), S);
        if (!within(*out_.Yld, kLoopsimLimit)) return false;
        // A dead time that outlasts the responses enters the curve with its exact phase.
        const Vector amplitude = outlasts_window(nd_)
                                     ? control_sensitivity(Kd, LF0, nd_, in_.w)
                                     : util::d_bode2(product(Kd.num, LF.den), product(Kd.den, S), in_.w, cancel_);
        out_.Robust = robustness(in_.BND, amplitude, in_.w, in_.integrating);
        return true;
    }

    bool two_degrees_of_freedom(const ControllerPolynomials& c) {
        const Vector lag = coefficients(in_.Tauf, 1.0);
        const Vector D = product(c.D, lag);
        const Vector N1 = product(c.N1, lag);
        const Vector N2 = product(c.N2, coefficients(0.0, 1.0));

        const TransferFunction L0 = held(product(N2, Bpc_), product(D, Apc_));
        const TransferFunction L = delayed(L0, nd_);
        const Vector S = add(L.den, L.num);
        out_.Uld = step_response(L.den, S);

        const TransferFunction K1 = c2dm2(N1, D, in_.Ts, cancel_);
        const TransferFunction K2 = c2dm2(N2, D, in_.Ts, cancel_);
        const Vector C = add(product(K2.den, A_), product(K2.num, B_));
        out_.Ysp = step_response(product(K1.num, B_), C);
        if (!within(*out_.Ysp, kLoopsimLimit)) return false;
        out_.Usp = step_response(product(L.den, K1.num), product(S, K2.den));
        out_.Yld = step_response(product(K2.den, B_), C);
        if (!within(*out_.Yld, kLoopsimLimit)) return false;
        const Vector amplitude = outlasts_window(nd_)
                                     ? control_sensitivity(K2, L0, nd_, in_.w)
                                     : util::d_bode2(product(L.den, K2.num), product(S, K2.den), in_.w, cancel_);
        out_.Robust = robustness(in_.BND, amplitude, in_.w, in_.integrating);
        return true;
    }

    const LoopsimInput& in_;
    LoopsimResult& out_;
    const Cancellation& cancel_;
    Vector Apc_, Bpc_;  // the continuous plant, integrator included
    Vector A_, B_;      // the discrete plant with its dead time
    std::int64_t nd_ = 0;
};

}  // namespace

LoopsimResult loopsim(const LoopsimInput& in) {
    LoopsimResult out;
    if (auto refusal = pid_refusal(in.pid)) {
        out.Message = *refusal;
        return out;
    }
    const WatchedCancellation cancel(in.cancel);
    try {
        if (!Simulation(in, out, cancel).run()) return LoopsimResult{{}, {}, {}, {}, {}, kStatusUnstable};
    } catch (const std::exception& e) {
        if (cancel.stopped()) throw;
        out.Message = std::string(kSimulationFailed) + e.what();
    }
    return out;
}

}  // namespace vantrelpid::sim
