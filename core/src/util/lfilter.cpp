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

// Direct form II transposed in scipy's operation order.
void df2t(const Normalised& f, const double* x, double* y, Index len, double* z) {
    const Index n = f.b.size();
    const double* b = f.b.data();
    const double* a = f.a.data();
    if (n == 1) {
        for (Index k = 0; k < len; ++k) y[k] = x[k] * b[0];
        return;
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
    for (Index j = 0; j < X.cols(); ++j) Y.col(j) = lfilter(b, a, X.col(j));
    return Y;
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
