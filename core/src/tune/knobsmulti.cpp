#include "vantrelpid/tune/knobsmulti.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "vantrelpid/pynum.hpp"

namespace vantrelpid {

NoTuningRule::NoTuningRule(Index loop) : InvalidArgument("No tuning rule for loop " + std::to_string(loop)) {}

namespace {

// One loop's model after the degree check, coefficients in descending powers of s.
struct TuningModel {
    double a[3] = {0.0, 0.0, 0.0};
    double b[3] = {0.0, 0.0, 0.0};
    bool first_order = false;
};

struct LoopTerms {
    double d = 0.0;   // dead time
    double lc = 0.0;  // closed-loop time constant
    IntegratingFlag flag = IntegratingFlag::Other;
    Index loop = 0;
};

// Exactly one third coefficient zero: the degrees differ. Both zero: first order.
bool first_order(double a2, double b2) {
    if ((a2 == 0.0) != (b2 == 0.0)) throw InvalidArgument(kDegreesNotEqual);
    return a2 == 0.0;
}

LoopTuning same_rows(double Kc, double Ti, double Td) { return {{Kc, Ti, Td}, {Kc, Ti, Td}}; }

LoopTuning first_order_rows(const TuningModel& m, const LoopTerms& t) {
    const double T = m.a[0] / m.a[1];
    const double K = m.b[1] / m.a[1];
    const double d = t.d, lc = t.lc;
    switch (t.flag) {
    case IntegratingFlag::SelfRegulating: {  // case 1
        const double lh = lc + d / 2;
        return {{1 / K * (T + d / 2) / lh, T + d / 2, T * d / (2 * T + d)},
                {T / K * (2 * lc + d) / (lh * lh), 2 * lc + d, (lc * d + d * d / 4) / (2 * lc + d)}};
    }
    case IntegratingFlag::Integrating: {  // case 2
        const double ld = lc + d;
        return same_rows(1 / K * (2 * lc + T + d) / (ld * ld), 2 * lc + T + d, (2 * lc + d) * T / (2 * lc + T + d));
    }
    case IntegratingFlag::Other:
        break;
    }
    throw NoTuningRule(t.loop);
}

LoopTuning second_order_rows(const TuningModel& m, const LoopTerms& t) {
    const double a0 = m.a[0], a1 = m.a[1], a2 = m.a[2];
    const double K = m.b[2] / a2;
    const double Tz = m.b[1] / m.b[2];
    const double tau = std::sqrt(a0 / a2);
    const double zeta = a1 / (2 * tau * a2);
    const double disc = a1 * a1 - 4 * a0 * a2;
    const double d = t.d, lc = t.lc;
    const double load_cap = 2 * lc + d;

    if (std::isnan(disc) || std::isnan(Tz)) throw NoTuningRule(t.loop);  // neither real nor complex, no sign

    if (disc >= 0.0) {  // real poles, a double pole included
        const double q = -0.5 * (a1 + std::copysign(std::sqrt(disc), a1));
        const double r1 = q / a0, r2 = a2 / q;
        const double T1 = -1 / std::min(r1, r2), T2 = -1 / std::max(r1, r2);
        if (Tz >= 0) {  // case 3
            const double Tzp = std::min(Tz, 0.5 * (T1 + T2));
            const double Kc = 1 / K * (T1 + T2 - Tzp) / (lc + d);
            const double Ti = T1 + T2 - Tzp;
            const double Td = std::max((T1 * T2 - (T1 + T2 - Tzp) * Tzp) / Ti, 0.0);
            return {{Kc, Ti, Td}, {Kc, std::min(Ti, load_cap), Td}};
        }
        const double l = lc - Tz + d;  // case 4
        const double Kc = 1 / K * (T1 + T2 - Tz * d / l) / l;
        const double Ti = T1 + T2 - Tz * d / l;
        const double Td = -Tz * d / l + T1 * T2 / Ti;
        return {{Kc, Ti, Td}, {Kc, std::min(Ti, load_cap), Td}};
    }
    const double two_zeta_tau = 2 * zeta * tau;  // complex poles
    if (Tz >= 0) {  // case 5
        const double Tzp = std::min(Tz, 1.6 * zeta * tau);
        const double Kc = 1 / K * (two_zeta_tau - Tzp) / (lc + d);
        const double Ti = two_zeta_tau - Tzp;
        return same_rows(Kc, Ti, std::max((tau * tau - (two_zeta_tau - Tzp) * Tzp) / Ti, 0.0));
    }
    const double l = lc - Tz + d;  // case 6
    const double Kc = 1 / K * (two_zeta_tau - Tz * d / l) / l;
    const double Ti = two_zeta_tau - Tz * d / l;
    return same_rows(Kc, Ti, -Tz * d / l + tau * tau / Ti);
}

LoopTuning tune(const TuningModel& m, const LoopTerms& t) {
    return m.first_order ? first_order_rows(m, t) : second_order_rows(m, t);
}

void write_row(Matrix& rows, Index i, const sim::PidParameters& p) {
    rows(i, 0) = p.K;
    rows(i, 1) = p.Ti;
    rows(i, 2) = p.Td;
}

}  // namespace

MultiLoopTuning knobsmulti(const MultiLoopModels& in) {
    const Index ny = in.Apc_tn.rows(), na = in.Apc_tn.cols(), nb = in.Bpc_tn.cols();
    MultiLoopTuning out{Matrix::Zero(ny, 3), Matrix::Zero(ny, 3)};
    for (Index i = 0; i < ny; ++i) {
        // Apc_tn[i, :], Bpc_tn[i, :], Delayc[i, i], CV_INT[i], Tcl[i], then Ac[2] and Bc[2]:
        // numpy's IndexError for the first index outside its matrix.
        pynum::normalize_index(i, in.Bpc_tn.rows(), 0);
        LoopTerms t;
        t.loop = i;
        t.d = in.Delayc(pynum::normalize_index(i, in.Delayc.rows(), 0), pynum::normalize_index(i, in.Delayc.cols(), 1));
        t.flag = in.flag(i);
        t.lc = in.Tcl(i);
        pynum::normalize_index(2, na, 0);
        pynum::normalize_index(2, nb, 0);

        TuningModel m;
        m.first_order = first_order(in.Apc_tn(i, 2), in.Bpc_tn(i, 2));
        if (!m.first_order && (na != 3 || nb != 3)) throw NoTuningRule(i);
        for (Index k = 0; k < (m.first_order ? 2 : 3); ++k) {
            m.a[k] = in.Apc_tn(i, k);
            m.b[k] = in.Bpc_tn(i, k);
        }
        const LoopTuning rows = tune(m, t);
        write_row(out.PID_sp, i, rows.setpoint);
        write_row(out.PID_load, i, rows.load);
    }
    return out;
}

LoopTuning tune_loop(const Vector& apc, const Vector& bpc, double delay, IntegratingFlag integral, double tcl) {
    const Index n = apc.size();
    if ((n != 2 && n != 3) || bpc.size() != n) throw InvalidArgument(kNotFirstOrSecondOrder);
    TuningModel m;
    for (Index k = 0; k < n; ++k) {
        m.a[k] = apc(k);
        m.b[k] = bpc(k);
    }
    m.first_order = first_order(m.a[2], m.b[2]);
    if (!m.first_order && integral == IntegratingFlag::Integrating) throw InvalidArgument(kIntegratingSecondOrder);
    return tune(m, {delay, tcl, integral, 0});
}

}  // namespace vantrelpid
