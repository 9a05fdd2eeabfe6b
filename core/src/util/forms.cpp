// Polynomial and state-space forms of discrete multi-input models, the
// per-output parts of a stacked model, and scaling to engineering units.
//
// Polynomials are in powers of z^-1: den = [1, a1, ..., an] and one numerator
// row b_j = [b_j0, b_j1, ..., b_jn] per input, b_j0 the direct feedthrough.

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/forms.hpp"
#include "vantrelpid/util/linalg.hpp"
#include "vantrelpid/util/poly.hpp"

namespace vantrelpid::util {

namespace {

std::string dims(const Matrix& M) { return std::to_string(M.rows()) + " x " + std::to_string(M.cols()); }

}  // namespace

void check_model(const StateSpace& m) {
    const Index n = m.A.rows();
    if (m.A.cols() != n) throw InvalidArgument("A must be square, not " + dims(m.A));
    if (m.B.rows() != n) throw InvalidArgument("B must have " + std::to_string(n) + " rows (one per state), not " + dims(m.B));
    if (m.C.cols() != n) throw InvalidArgument("C must have " + std::to_string(n) + " columns (one per state), not " + dims(m.C));
    if (m.D.rows() != m.C.rows() || m.D.cols() != m.B.cols()) {
        throw InvalidArgument("D must be " + std::to_string(m.C.rows()) + " x " + std::to_string(m.B.cols()) +
                              " (outputs x inputs), not " + dims(m.D));
    }
}

namespace {

// The first state of each output's block: ords must hold one non-negative
// order per output that together count every state.
std::vector<Index> block_starts(const StateSpace& m, const std::vector<Index>& ords) {
    if (static_cast<Index>(ords.size()) != m.C.rows()) {
        throw InvalidArgument("ORDS must hold one order per output: " + std::to_string(ords.size()) + " orders for " +
                              std::to_string(m.C.rows()) + " outputs");
    }
    std::vector<Index> starts;
    Index total = 0;
    bool beyond_int64 = false;  // the sum is then no state count of any model
    for (Index o : ords) {
        if (o < 0) throw InvalidArgument("ORDS must not contain negative orders");
        starts.push_back(total);
        if (beyond_int64 || o > std::numeric_limits<Index>::max() - total)
            beyond_int64 = true;
        else
            total += o;
    }
    if (beyond_int64) {
        throw InvalidArgument("the orders in ORDS add up to more than " +
                              std::to_string(std::numeric_limits<Index>::max()) + " states, but A has " +
                              std::to_string(m.A.rows()));
    }
    if (total != m.A.rows()) {
        throw InvalidArgument("the orders in ORDS add up to " + std::to_string(total) + " states, but A has " +
                              std::to_string(m.A.rows()));
    }
    return starts;
}

// Observer canonical form as armax2ss builds it: A has -a in its first
// column, ones on the superdiagonal and zeros elsewhere; C = c * [1, 0, ...].
bool is_observer_canonical(const StateSpace& m) {
    const Index n = m.A.rows();
    for (Index i = 0; i < n; ++i)
        for (Index k = 1; k < n; ++k)
            if (m.A(i, k) != (k == i + 1 ? 1.0 : 0.0)) return false;
    for (Index k = 1; k < n; ++k)
        if (m.C(0, k) != 0.0) return false;
    return true;
}

}  // namespace

StateSpace armax2ss(const Vector& den, const Matrix& num) {
    if (den.size() == 0) throw InvalidArgument("den must not be empty");
    if (den(0) == 0.0) throw InvalidArgument("the leading coefficient of den must not be zero");
    // Shorter polynomials are padded with zero coefficients of the higher lags.
    const Index n = std::max(den.size(), num.cols()) - 1, nu = num.rows();
    Vector a = Vector::Zero(n + 1);
    Matrix b = Matrix::Zero(nu, n + 1);
    a.head(den.size()) = den / den(0);
    b.leftCols(num.cols()) = num / den(0);

    // Observer canonical form: x1(t) is the output without its feedthrough,
    // x(t+1) = A x(t) + B u(t) with B_ij = b_j,i+1 - a_i+1 * b_j0.
    StateSpace m{Matrix::Zero(n, n), Matrix(n, nu), Matrix::Zero(1, n), b.col(0).transpose()};
    for (Index i = 0; i < n; ++i) {
        m.A(i, 0) = -a(i + 1);
        if (i + 1 < n) m.A(i, i + 1) = 1.0;
        for (Index j = 0; j < nu; ++j) m.B(i, j) = b(j, i + 1) - a(i + 1) * b(j, 0);
    }
    if (n > 0) m.C(0, 0) = 1.0;
    return m;
}

ArmaxModel ss2armax(const StateSpace& model) {
    check_model(model);
    if (model.C.rows() != 1) {
        throw InvalidArgument("ss2armax needs a one-output model: C must have one row, not " +
                              std::to_string(model.C.rows()));
    }
    const Index n = model.A.rows(), nu = model.B.cols();
    ArmaxModel out{Vector(n + 1), Matrix(nu, n + 1)};
    out.num.col(0) = model.D.row(0).transpose();

    if (n > 0 && is_observer_canonical(model)) {
        // Read the polynomials off the form exactly: b_j,i+1 = c * B_ij + a_i+1 * b_j0.
        const double c = model.C(0, 0);
        out.den(0) = 1.0;
        for (Index i = 0; i < n; ++i) {
            out.den(i + 1) = -model.A(i, 0);
            for (Index j = 0; j < nu; ++j) out.num(j, i + 1) = c * model.B(i, j) + out.den(i + 1) * model.D(0, j);
        }
        return out;
    }

    // Any other realisation: the characteristic polynomial from the
    // eigenvalues, and the numerators as den times the Markov parameters
    // h0 = D, hk = C A^(k-1) B, truncated after lag n.
    out.den = poly(eigenvalues(model.A));
    Matrix markov(nu, n + 1);
    markov.col(0) = model.D.row(0).transpose();
    Matrix AkB = model.B;
    for (Index k = 1; k <= n; ++k) {
        markov.col(k) = (model.C * AkB).transpose();
        if (k < n) AkB = model.A * AkB;
    }
    for (Index lag = 1; lag <= n; ++lag) {
        Vector acc = Vector::Zero(nu);
        for (Index k = 0; k <= lag; ++k) acc += out.den(lag - k) * markov.col(k);
        out.num.col(lag) = acc;
    }
    return out;
}

StateSpace get_sub(const StateSpace& model, const std::vector<Index>& ords, Index i) {
    check_model(model);
    const std::vector<Index> starts = block_starts(model, ords);
    if (i < 0 || i >= static_cast<Index>(ords.size())) {
        throw OutOfRange("output " + std::to_string(i) + " is out of range for a model of " +
                         std::to_string(ords.size()) + " outputs");
    }
    const Index first = starts[static_cast<std::size_t>(i)], n = ords[static_cast<std::size_t>(i)];
    return {model.A.block(first, first, n, n), model.B.middleRows(first, n), model.C.block(i, first, 1, n),
            model.D.row(i)};
}

StateSpace unscale(const StateSpace& model, const Vector& STDu, const Vector& STDy, const std::vector<Index>& ords) {
    check_model(model);
    const std::vector<Index> starts = block_starts(model, ords);
    const Index nu = model.B.cols(), ny = model.C.rows();
    if (STDu.size() != nu) throw InvalidArgument("STDu must hold one value per input (" + std::to_string(nu) + ")");
    if (STDy.size() != ny) throw InvalidArgument("STDy must hold one value per output (" + std::to_string(ny) + ")");
    if ((STDu.array() == 0.0).any()) throw InvalidArgument("STDu must not contain zeros");

    // The model maps u / STDu to y / STDy. Scaling output i's states by
    // STDy[i] keeps A and C and moves both factors into B and D.
    StateSpace out = model;
    for (Index i = 0; i < ny; ++i) {
        const Index first = starts[static_cast<std::size_t>(i)], n = ords[static_cast<std::size_t>(i)];
        for (Index j = 0; j < nu; ++j) {
            out.B.col(j).segment(first, n) = (model.B.col(j).segment(first, n) * STDy(i)) / STDu(j);
            out.D(i, j) = (model.D(i, j) * STDy(i)) / STDu(j);
        }
    }
    return out;
}

Matrix frunscal(const Matrix& G, const Vector& STDu, const Vector& STDy) {
    const Index nu = STDu.size(), ny = STDy.size();
    if (G.cols() != nu * ny) {
        throw InvalidArgument("G must have one column per output and input pair (" + std::to_string(ny * nu) +
                              "), not " + std::to_string(G.cols()));
    }
    if ((STDu.array() == 0.0).any()) throw InvalidArgument("STDu must not contain zeros");
    Matrix out(G.rows(), G.cols());
    for (Index i = 0; i < ny; ++i)
        for (Index j = 0; j < nu; ++j) out.col(i * nu + j) = (G.col(i * nu + j) * STDy(i)) / STDu(j);
    return out;
}

StateSpace gainmodifyss(const StateSpace& model, double g, double r) {
    check_model(model);
    if (model.B.cols() != 1 || model.C.rows() != 1) {
        throw InvalidArgument("gainmodifyss needs a model of one input and one output, not " +
                              std::to_string(model.B.cols()) + " inputs and " + std::to_string(model.C.rows()) +
                              " outputs");
    }
    if (!std::isfinite(g)) throw InvalidArgument("The gain g must be finite");
    if (!(std::isfinite(r) && r > 0.0)) throw InvalidArgument("The pole radius r must be positive and finite");

    StateSpace out = model;
    const CVector poles = eigenvalues(out.A);
    const double rho = poles.size() == 0 ? 0.0 : poles.cwiseAbs().maxCoeff();
    if (rho >= 1.0) out.A *= r / rho;

    const Index n = out.A.rows();
    double G0 = out.D(0, 0);
    if (n > 0) {
        try {
            G0 += (out.C * lu_solve(Matrix(Matrix::Identity(n, n) - out.A), Vector(out.B.col(0))))(0);
        } catch (const LinAlgError&) {
            return out;  // a pole at exactly 1: no finite static gain to set
        }
    }
    if (std::isfinite(G0) && G0 != 0.0) {
        const double k = g / G0;
        out.C *= k;
        out.D *= k;
    }
    return out;
}

}  // namespace vantrelpid::util
