#pragma once
// Forward and inverse discrete Fourier transforms through Eigen's FFT
// module (compiled in fft.cpp). Unscaled forward transform, inverse scaled
// by 1/n: the conventions of numpy.fft and scipy.fft.

#include "vantrelpid/types.hpp"

namespace vantrelpid::util {

// Transforms of any length (power-of-two lengths are fastest).
CVector fft(const CVector& x);
CVector fft_real(const Vector& x);
CVector ifft(const CVector& x);

// A reusable transform of one length: keep it for many transforms of the
// same length (it holds the twiddle factors).
class Fft {
public:
    explicit Fft(Index n);
    ~Fft();
    Fft(const Fft&) = delete;
    Fft& operator=(const Fft&) = delete;

    Index size() const { return n_; }
    void forward(const Complex* in, Complex* out);   // unscaled
    void forward_real(const double* in, Complex* out);
    void inverse(const Complex* in, Complex* out);   // scaled by 1/n

private:
    struct Impl;
    Index n_;
    Impl* impl_;
};

}  // namespace vantrelpid::util
