#include "vantrelpid/util/poly.hpp"

#include <cmath>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/util/linalg.hpp"

namespace vantrelpid::util {

Vector convolve(const Vector& a, const Vector& b, const Cancellation& cancel) {
    if (a.size() == 0 || b.size() == 0) return Vector();
    Vector out = Vector::Zero(a.size() + b.size() - 1);
    for (Index i = 0; i < a.size(); ++i) {
        for (Index j = 0; j < b.size(); ++j) out(i + j) += a(i) * b(j);
        cancel.poll();
    }
    return out;
}

CVector roots(const Vector& p) {
    if (!p.allFinite()) throw LinAlgError("Array must not contain infs or NaNs");
    Index first = 0, last = p.size();
    while (first < last && p(first) == 0.0) ++first;
    if (first == last) return CVector();
    Index trailing = 0;
    while (last - 1 > first && p(last - 1) == 0.0) {
        --last;
        ++trailing;
    }
    const Index n = last - first - 1;  // degree of the stripped polynomial
    CVector r(n + trailing);
    if (n > 0) {
        // Companion matrix as numpy builds it: first row -p[1:]/p[0],
        // ones on the subdiagonal.
        Matrix A = Matrix::Zero(n, n);
        for (Index k = 0; k < n; ++k) A(0, k) = -p(first + 1 + k) / p(first);
        for (Index k = 1; k < n; ++k) A(k, k - 1) = 1.0;
        r.head(n) = eigenvalues(A);
    }
    r.tail(trailing).setZero();
    return r;
}

Vector poly(const CVector& r, const Cancellation& cancel) {
    CVector c = CVector::Zero(r.size() + 1);
    c(0) = 1.0;
    for (Index k = 0; k < r.size(); ++k) {
        // c <- convolve(c, [1, -r_k])
        for (Index i = k + 1; i >= 1; --i) c(i) = c(i) - r(k) * c(i - 1);
        cancel.poll();
    }
    return c.real();
}

namespace {

// Roots computed as companion eigenvalues carry round-off: a simple root on
// the unit circle comes out a few ulp off it, a double root about 1e-8 off.
// Roots this close to the circle count as on it, so that integrators are
// kept exactly instead of being reflected by their round-off.
constexpr double kOnCircle = 1e-6;

}  // namespace

Vector stabpoly(const Vector& p) {
    if (!p.allFinite()) throw LinAlgError("Array must not contain infs or NaNs");
    if (p.size() == 0) return p;
    CVector r = roots(p);
    bool outside = false;
    for (Index k = 0; k < r.size(); ++k) {
        if (std::abs(r(k)) > 1.0 + kOnCircle) {
            r(k) = 1.0 / std::conj(r(k));
            outside = true;
        }
    }
    if (!outside && p(0) == 1.0) return p;
    // The product of the (1 - r z^-1) is monic; a p with leading zeros (fewer
    // roots than its length suggests) keeps its length with zeros at the end.
    const Vector q = poly(r);
    Vector out = Vector::Zero(p.size());
    out.head(q.size()) = q;
    return out;
}

Complex polyval_unit_circle(const Vector& c, double w) {
    // Horner in z^-1 from the highest delay down.
    const Complex zinv = std::polar(1.0, -w);
    Complex acc = 0.0;
    for (Index k = c.size() - 1; k >= 0; --k) acc = acc * zinv + c(k);
    return acc;
}

}  // namespace vantrelpid::util
