#pragma once
// Validation preprocessing of one output and all inputs: offsets and scales
// from the raw selected samples, then a high-pass filter of the scaled signals.

#include "vantrelpid/types.hpp"

namespace vantrelpid {

struct ValidationSignals {
    Matrix Un;         // N_rec x nu
    RowVector MeanUk;  // from the first round(N / 10) selected rows
    RowVector STDuk;   // over all selected rows, ddof 1
    Matrix yn;         // the output's layout (N_rec x k)
    double MeanYk = 0; // over all entries of the first round(N / 10) selected rows
    double STDyk = 0;  // over all entries of the selected rows, ddof 1
};

ValidationSignals checkclean(const Matrix& U, const Matrix& yk, const IntVector& SlSampk);

// MeanYk alone: the mean over all entries of the first round(M / 10) of the
// M selected rows of yk (every sample number checked against the record).
double validation_level(const Matrix& yk, const IntVector& SlSampk);

}  // namespace vantrelpid
