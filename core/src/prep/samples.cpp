#include "vantrelpid/prep/samples.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/prep/segmask.hpp"
#include "vantrelpid/pynum.hpp"

namespace vantrelpid {

namespace {

[[noreturn]] void sample_out_of_record(std::int64_t s, Index n_rows) {
    if (s < 1) throw OutOfRange("selected sample number " + std::to_string(s) + " is below 1");
    throw OutOfRange(pynum::out_of_bounds_message(s - 1, n_rows));
}

template <typename Dense>
Dense pick_rows(const Dense& X, const CheckedSamples& samples) {
    if (X.rows() < samples.record_rows()) require_samples_in_record(samples.numbers(), X.rows());
    Dense out(samples.size(), X.cols());
    for (Index m = 0; m < samples.size(); ++m) out.row(m) = X.row(samples.row(m));
    return out;
}

}  // namespace

void require_samples_in_record(const IntVector& samples, Index n_rows) {
    for (Index i = 0; i < samples.size(); ++i)
        if (samples(i) < 1 || samples(i) > n_rows) sample_out_of_record(samples(i), n_rows);
}

CheckedSamples::CheckedSamples(IntVector numbers, Index n_rows) : numbers_(std::move(numbers)), n_rows_(n_rows) {
    require_samples_in_record(numbers_, n_rows_);
}

CheckedSamples::CheckedSamples(IntVector numbers, Index n_rows, bool)
    : numbers_(std::move(numbers)), n_rows_(n_rows) {}

CheckedSamples CheckedSamples::of_slices(const IntMatrix& slices, Index n_rows) {
    // Rows are listed in order, so the first offending number lies in the
    // first row that holds one: its first number when that is below 1, else
    // the first number past the record.
    for (Index i = 0; i < slices.rows(); ++i) {
        const std::int64_t first = slices(i, 0), last = slices(i, 1);
        if (last < first) continue;
        if (first < 1) sample_out_of_record(first, n_rows);
        if (last > n_rows) sample_out_of_record(std::max<std::int64_t>(first, n_rows + 1), n_rows);
    }
    return CheckedSamples(slice_samples(slices), n_rows, true);
}

CheckedSelection checked_selection(const IntMatrix& table, Index n_rows) {
    IntMatrix slices = selected_slices(table, n_rows);
    CheckedSamples samples = CheckedSamples::of_slices(slices, n_rows);
    return {std::move(slices), std::move(samples)};
}

void require_finite_record(const Matrix& X, const char* name) {
    if (X.allFinite()) return;
    for (Index s = 0; s < X.rows(); ++s)
        for (Index j = 0; j < X.cols(); ++j)
            if (!std::isfinite(X(s, j)))
                throw InvalidArgument(std::string(name) + " holds a non-finite value in column " + std::to_string(j) +
                                      " at sample " + std::to_string(s + 1) +
                                      "; deselected stretches must hold finite values too");
}

Matrix select_rows(const Matrix& X, const IntVector& samples) {
    return pick_rows(X, CheckedSamples(samples, X.rows()));
}

Vector select_rows(const Vector& x, const IntVector& samples) {
    return pick_rows(x, CheckedSamples(samples, x.size()));
}

Matrix select_rows(const Matrix& X, const CheckedSamples& samples) { return pick_rows(X, samples); }

Vector select_rows(const Vector& x, const CheckedSamples& samples) { return pick_rows(x, samples); }

}  // namespace vantrelpid
