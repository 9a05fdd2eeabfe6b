// Eigen's FFT module (its default kissfft back end) behind the interfaces of fft.hpp.

#include "vantrelpid/util/fft.hpp"

#include <unsupported/Eigen/FFT>

namespace vantrelpid::util {

struct Fft::Impl {
    Eigen::FFT<double> engine;
};

Fft::Fft(Index n) : n_(n), impl_(new Impl) {}

Fft::~Fft() { delete impl_; }

void Fft::forward(const Complex* in, Complex* out) {
    if (n_ == 0) return;
    impl_->engine.fwd(out, in, n_);
}

void Fft::forward_real(const double* in, Complex* out) {
    if (n_ == 0) return;
    impl_->engine.fwd(out, in, n_);
}

void Fft::inverse(const Complex* in, Complex* out) {
    if (n_ == 0) return;
    impl_->engine.inv(out, in, n_);
}

CVector fft(const CVector& x) {
    CVector out(x.size());
    Fft f(x.size());
    f.forward(x.data(), out.data());
    return out;
}

CVector fft_real(const Vector& x) {
    CVector out(x.size());
    Fft f(x.size());
    f.forward_real(x.data(), out.data());
    return out;
}

CVector ifft(const CVector& x) {
    CVector out(x.size());
    Fft f(x.size());
    f.inverse(x.data(), out.data());
    return out;
}

}  // namespace vantrelpid::util
