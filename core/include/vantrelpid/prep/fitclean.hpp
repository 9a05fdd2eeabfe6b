#pragma once
// Identification preprocessing of one output and all inputs: offsets from the
// start of the selection, slow high-pass filter over the whole record,
// integration for an integrating output, unit-deviation scaling.

#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/random_source.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid {

struct PreparedSignals {
    Matrix Un;        // N_rec x nu, every sample of the record
    RowVector MeanUk; // input offsets (raw data)
    RowVector STDuk;  // input scales (filtered data, ddof 1)
    Vector yn;        // N_rec output samples
    double MeanYk = 0;
    double STDyk = 0;
};

// U: N_rec x nu; yk: N_rec values; SlSampk: 1-based selected sample numbers
// (each in 1..N_rec, else OutOfRange). Draws from `random` exactly as the
// preprocessing does: reseed 9888 and the integration for an integrating
// output, then N_rec * nu and N_rec normal draws that do not enter the result.
PreparedSignals fitclean(const Matrix& U, const Vector& yk, const IntVector& SlSampk, bool integrating,
                         RandomSource& random);
// The same with sample numbers already checked against the record.
PreparedSignals fitclean(const Matrix& U, const Vector& yk, const CheckedSamples& SlSampk, bool integrating,
                         RandomSource& random);

}  // namespace vantrelpid
