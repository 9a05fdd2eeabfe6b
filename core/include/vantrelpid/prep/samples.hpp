#pragma once
// Selected sample numbers (1-based, as the slice selection returns them)
// used to pick rows of signal matrices.
//
// A list of sample numbers is proved to lie inside its record once, where it
// enters the core: CheckedSamples carries that proof, so the routines that
// pick rows with it (preprocessing, error bound, model selection, loop
// simulation) do not scan the list again. A slice selection is checked from
// its [first, last] rows before its list is built, so a row that runs far
// past the record fails at once instead of after listing every number.

#include "vantrelpid/types.hpp"

namespace vantrelpid {

// Raises OutOfRange when a sample number lies outside 1..n_rows: a number
// below 1 ("selected sample number <s> is below 1") never reads rows from the
// end of the record; one above the record gets numpy's message
// "index <s - 1> is out of bounds for axis 0 with size <n_rows>".
// The first offending number in list order is named.
void require_samples_in_record(const IntVector& samples, Index n_rows);

// Every value of the record X must be finite, also in the stretches that a
// slice table deselects: the filters run over the whole record. Raises
// InvalidArgument naming the record, the column and the first non-finite
// sample (1-based, earliest sample first, then the lowest column).
void require_finite_record(const Matrix& X, const char* name);

// Sample numbers that all lie in 1..record_rows().
class CheckedSamples {
public:
    // Checks every number (require_samples_in_record).
    CheckedSamples(IntVector numbers, Index n_rows);

    // The numbers first..last of each row [first, last] of `slices`, in row
    // order (a row with last < first lists nothing). The rows are checked
    // before anything is listed, naming the first offending number in list
    // order exactly as require_samples_in_record does.
    static CheckedSamples of_slices(const IntMatrix& slices, Index n_rows);

    const IntVector& numbers() const { return numbers_; }
    Index size() const { return numbers_.size(); }
    Index record_rows() const { return n_rows_; }
    // The 0-based row of the m-th selected sample.
    Index row(Index m) const { return numbers_(m) - 1; }

private:
    CheckedSamples(IntVector numbers, Index n_rows, bool checked);
    IntVector numbers_;
    Index n_rows_ = 0;
};

// One output's slice selection checked against its record: the selected
// stretches (as segmask gives them) and their sample numbers.
struct CheckedSelection {
    IntMatrix slices;
    CheckedSamples samples;
};

// The slice selection of `table` (segmask's rules) checked against a record
// of n_rows samples; an entry of the table that puts a selected sample
// outside 1..n_rows raises OutOfRange before the list is built.
CheckedSelection checked_selection(const IntMatrix& table, Index n_rows);

// The rows s - 1 of X for every sample number s, in order. The plain lists
// are checked first; checked samples are checked again only against an
// array shorter than the record they were checked for.
Matrix select_rows(const Matrix& X, const IntVector& samples);
Vector select_rows(const Vector& x, const IntVector& samples);
Matrix select_rows(const Matrix& X, const CheckedSamples& samples);
Vector select_rows(const Vector& x, const CheckedSamples& samples);

}  // namespace vantrelpid
