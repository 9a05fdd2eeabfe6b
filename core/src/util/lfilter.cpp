#include "vantrelpid/util/lfilter.hpp"

#include <algorithm>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/poly.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid::util {

namespace {

struct Normalised {
    Vector b, a;  // equal lengths, a[0] == 1
};

Normalised normalise(const Vector& b, const Vector& a) {
    if (a.size() == 0 || b.size() == 0) throw InvalidArgument("filter coefficients must not be empty");
    if (a(0) == 0.0) throw InvalidArgument("BUG: filter coefficient a[0] == 0 not supported yet");
    const Index n = std::max(a.size(), b.size());
    Normalised f{Vector::Zero(n), Vector::Zero(n)};
    f.b.head(b.size()) = b;
    f.a.head(a.size()) = a;
    const double a0 = a(0);
    if (a0 != 1.0) {
        f.b /= a0;
        f.a /= a0;
    }
    return f;
}

// Direct form II transposed in scipy's operation order, for N coefficients
// known at compile time: the state lives in registers instead of memory,
// which takes the store-to-load round trip off the recursion.
template <int N>
void df2t_fixed(const double* b_in, const double* a_in, const double* x, double* y, Index len, double* zio) {
    double b[N], a[N], z[N - 1];
    for (int i = 0; i < N; ++i) {
        b[i] = b_in[i];
        a[i] = a_in[i];
    }
    for (int i = 0; i < N - 1; ++i) z[i] = zio[i];
    for (Index k = 0; k < len; ++k) {
        const double xn = x[k];
        const double yn = z[0] + b[0] * xn;
#pragma GCC unroll 8
        for (int i = 0; i < N - 2; ++i) z[i] = (z[i + 1] + xn * b[i + 1]) - yn * a[i + 1];
        z[N - 2] = xn * b[N - 1] - yn * a[N - 1];
        y[k] = yn;
    }
    for (int i = 0; i < N - 1; ++i) zio[i] = z[i];
}

// Direct form II transposed in scipy's operation order.
void df2t(const Normalised& f, const double* x, double* y, Index len, double* z) {
    const Index n = f.b.size();
    const double* b = f.b.data();
    const double* a = f.a.data();
    switch (n) {
        case 1:
            for (Index k = 0; k < len; ++k) y[k] = x[k] * b[0];
            return;
        case 2: return df2t_fixed<2>(b, a, x, y, len, z);
        case 3: return df2t_fixed<3>(b, a, x, y, len, z);
        case 4: return df2t_fixed<4>(b, a, x, y, len, z);
        case 5: return df2t_fixed<5>(b, a, x, y, len, z);
        case 6: return df2t_fixed<6>(b, a, x, y, len, z);
        case 7: return df2t_fixed<7>(b, a, x, y, len, z);
        case 8: return df2t_fixed<8>(b, a, x, y, len, z);
        case 9: return df2t_fixed<9>(b, a, x, y, len, z);
        default: break;
    }
    for (Index k = 0; k < len; ++k) {
        const double xn = x[k];
        const double yn = z[0] + b[0] * xn;
        for (Index i = 0; i < n - 2; ++i) z[i] = (z[i + 1] + xn * b[i + 1]) - yn * a[i + 1];
        z[n - 2] = xn * b[n - 1] - yn * a[n - 1];
        y[k] = yn;
    }
}

// The same recursion for a filter of N coefficients known at compile time,
// applied to K signals side by side: coefficients and states live in
// registers, and the K independent recursions overlap in the processor.
// The operations, and so the results, are those of df2t.
template <int N, int K>
void df2t_fixed(const Normalised& f, const double* const* x, double* const* y, Index len, double* const* z) {
    double b[N], a[N], s[K][N - 1];
    for (int i = 0; i < N; ++i) {
        b[i] = f.b(i);
        a[i] = f.a(i);
    }
    for (int c = 0; c < K; ++c)
        for (int i = 0; i < N - 1; ++i) s[c][i] = z[c][i];
    for (Index k = 0; k < len; ++k) {
        for (int c = 0; c < K; ++c) {
            const double xn = x[c][k];
            const double yn = s[c][0] + b[0] * xn;
            for (int i = 0; i < N - 2; ++i) s[c][i] = (s[c][i + 1] + xn * b[i + 1]) - yn * a[i + 1];
            s[c][N - 2] = xn * b[N - 1] - yn * a[N - 1];
            y[c][k] = yn;
        }
    }
    for (int c = 0; c < K; ++c)
        for (int i = 0; i < N - 1; ++i) z[c][i] = s[c][i];
}

// K signals through one filter, each from its own state z[c] (updated).
template <int K>
void df2t_signals(const Normalised& f, const double* const* x, double* const* y, Index len, double* const* z) {
    switch (f.b.size()) {
        case 2: return df2t_fixed<2, K>(f, x, y, len, z);
        case 3: return df2t_fixed<3, K>(f, x, y, len, z);
        case 4: return df2t_fixed<4, K>(f, x, y, len, z);
        case 5: return df2t_fixed<5, K>(f, x, y, len, z);
        case 6: return df2t_fixed<6, K>(f, x, y, len, z);
        default:
            for (int c = 0; c < K; ++c) df2t(f, x[c], y[c], len, z[c]);
    }
}

void df2t_one(const Normalised& f, const double* x, double* y, Index len, double* z) {
    df2t_signals<1>(f, &x, &y, len, &z);
}

// scipy's path for a one-coefficient denominator: convolution by b / a[0].
Vector fir(const Vector& b, double a0, const Vector& x) {
    const Vector bn = b / a0;
    const Vector full = convolve(bn, x);
    return full.head(x.size());
}

// sum(c[first:] * v) for a constant v, summed as numpy sums (pairwise).
double tail_dot(const Vector& c, Index first, Index count, double v) {
    Vector terms(count);
    for (Index k = 0; k < count; ++k) terms(k) = c(first + k) * v;
    return pairwise_sum(terms.data(), count);
}

// The initial state of a filter whose past inputs all equal u0 and whose
// past outputs all equal y0 (scipy's lfiltic with constant histories).
Vector steady_state(const Vector& b, const Vector& a, double u0, double y0) {
    const Index M = b.size() - 1, N = a.size() - 1;
    Vector zi = Vector::Zero(std::max(M, N));
    for (Index m = 0; m < M; ++m) zi(m) = tail_dot(b, m + 1, M - m, u0);
    for (Index m = 0; m < N; ++m) zi(m) -= tail_dot(a, m + 1, N - m, y0);
    if (a(0) != 1.0) zi /= a(0);
    return zi;
}

}  // namespace

Vector lfilter(const Vector& b, const Vector& a, const Vector& x) {
    if (a.size() == 1) {
        if (a(0) == 0.0) throw InvalidArgument("BUG: filter coefficient a[0] == 0 not supported yet");
        if (b.size() == 0) throw InvalidArgument("filter coefficients must not be empty");
        return fir(b, a(0), x);
    }
    const Normalised f = normalise(b, a);
    Vector y(x.size());
    Vector z = Vector::Zero(f.b.size() - 1);
    df2t_one(f, x.data(), y.data(), x.size(), z.data());
    return y;
}

Matrix lfilter_columns(const Vector& b, const Vector& a, const Matrix& X) {
    Matrix Y(X.rows(), X.cols());
    if (a.size() == 1) {
        for (Index j = 0; j < X.cols(); ++j) Y.col(j) = lfilter(b, a, X.col(j));
        return Y;
    }
    // Columns are contiguous: filter them in place of copies.
    const Normalised f = normalise(b, a);
    for (Index j = 0; j < X.cols(); ++j) {
        Vector z = Vector::Zero(f.b.size() - 1);
        df2t(f, X.col(j).data(), Y.col(j).data(), X.rows(), z.data());
    }
    return Y;
}

void lfilter_rows(const Vector& b, const Vector& a, const double* x, double* y, Index rows, Index cols) {
    if (a.size() == 1) {
        // scipy's FIR path, one signal at a time.
        Vector xj(rows);
        for (Index j = 0; j < cols; ++j) {
            for (Index k = 0; k < rows; ++k) xj(k) = x[k * cols + j];
            const Vector yj = lfilter(b, a, xj);
            for (Index k = 0; k < rows; ++k) y[k * cols + j] = yj(k);
        }
        return;
    }
    const Normalised f = normalise(b, a);
    const Index n = f.b.size();  // at least 2
    if (cols == 1) {
        Vector z = Vector::Zero(n - 1);
        df2t(f, x, y, rows, z.data());
        return;
    }
    // Several signals: one DF2T step per signal and sample, the state of
    // delay i of signal j at z[i * cols + j]; the signals are independent.
    const double* bc = f.b.data();
    const double* ac = f.a.data();
    Vector state = Vector::Zero((n - 1) * cols);
    double* z = state.data();
    for (Index k = 0; k < rows; ++k) {
        const double* xk = x + k * cols;
        double* yk = y + k * cols;
        for (Index j = 0; j < cols; ++j) {
            const double xn = xk[j];
            const double yn = z[j] + bc[0] * xn;
            for (Index i = 0; i < n - 2; ++i)
                z[i * cols + j] = (z[(i + 1) * cols + j] + xn * bc[i + 1]) - yn * ac[i + 1];
            z[(n - 2) * cols + j] = xn * bc[n - 1] - yn * ac[n - 1];
            yk[j] = yn;
        }
    }
}

Vector lfilter_state(const Vector& b, const Vector& a, const Vector& x, Vector& zi) {
    const Normalised f = normalise(b, a);
    if (zi.size() != f.b.size() - 1) throw InvalidArgument("the initial state must have max(len(a), len(b)) - 1 entries");
    Vector y(x.size());
    Vector z = zi;
    df2t_one(f, x.data(), y.data(), x.size(), z.data());
    zi = z;
    return y;
}

Vector filtini(const Vector& b, const Vector& a, const Vector& u, double y0) {
    if (a.size() == 0) throw InvalidArgument("There must be at least one `a` coefficient.");
    if (a(0) == 0.0) throw InvalidArgument("First `a` filter coefficient must be non-zero.");
    if (b.size() == 0) return Vector::Zero(u.size());
    const double u0 = u.size() > 0 ? u(0) : 0.0;
    Vector zi = steady_state(b, a, u0, y0);
    if (a.size() == 1) {
        // FIR: the state is added to the first outputs of the convolution.
        Vector y = lfilter(b, a, u);
        const Index n = std::min(zi.size(), y.size());
        y.head(n) += zi.head(n);
        return y;
    }
    return lfilter_state(b, a, u, zi);
}

}  // namespace vantrelpid::util
