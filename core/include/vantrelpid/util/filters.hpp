#pragma once
// Digital Butterworth filters and the high-pass filters of the preprocessing.

#include "vantrelpid/types.hpp"

namespace vantrelpid::util {

// A rational transfer function: numerator and denominator coefficient
// vectors, highest power of s (or lowest delay) first.
struct TransferFunction {
    Vector num;
    Vector den;
};

// Digital Butterworth low-pass (buttfilt) and high-pass (buttfilthi) filters
// of the given order; wc is the cut-off as a fraction of the Nyquist
// frequency. Returned as (b, a) = (num, den), coefficient for coefficient
// what scipy.signal.butter(order, wc, btype) returns. A negative order or a
// cut-off outside (0, 1) raises InvalidArgument.
TransferFunction buttfilt(int order, double wc);
TransferFunction buttfilthi(int order, double wc);

// The high-pass filter of the preprocessing: a causal Butterworth filter of
// order hipass_order (buttfilthi), run along the samples of every column from
// a zero state; the shape is kept. Cut-offs are fractions of the Nyquist
// frequency: hipass_default_cutoff when none is given (the cut-off of the
// validation preprocessing), hipass001_cutoff for hipass001.
inline constexpr int hipass_order = 4;
inline constexpr double hipass_default_cutoff = 0.003;
inline constexpr double hipass001_cutoff = 0.001;

Matrix hipass(const Matrix& X, double wc);
Matrix hipass(const Matrix& X);      // hipass_default_cutoff
Matrix hipass001(const Matrix& X);   // hipass001_cutoff

// hipass on a row-major block of `rows` samples of `cols` signals (numpy's C
// order, see lfilter_rows), written to y: the same numbers without copies.
void hipass_rows(const double* x, double* y, Index rows, Index cols, double wc);

}  // namespace vantrelpid::util
