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
// what scipy.signal.butter(order, wc, btype) returns.
TransferFunction buttfilt(int order, double wc);
TransferFunction buttfilthi(int order, double wc);

// High-pass filter of every column along the samples, shape kept.
Matrix hipass(const Matrix& X, double wc);
Matrix hipass(const Matrix& X);      // the default cut-off
Matrix hipass001(const Matrix& X);   // the fixed cut-off of hipass001

}  // namespace vantrelpid::util
