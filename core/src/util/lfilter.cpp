#include "vantrelpid/util/lfilter.hpp"

#include <algorithm>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/poly.hpp"

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

// scipy's path for a one-coefficient denominator: convolution by b / a[0].
Vector fir(const Vector& b, double a0, const Vector& x) {
    const Vector bn = b / a0;
    const Vector full = convolve(bn, x);
    return full.head(x.size());
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
    df2t(f, x.data(), y.data(), x.size(), z.data());
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
    df2t(f, x.data(), y.data(), x.size(), z.data());
    zi = z;
    return y;
}

}  // namespace vantrelpid::util
