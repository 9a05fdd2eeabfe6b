#pragma once
// Arguments in: array-likes go through numpy.asarray once and are copied into
// the core's types; the caller's objects are never written to.

#include <nanobind/nanobind.h>

#include <vector>

#include "vantrelpid/types.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

nb::module_ numpy();

// numpy.asarray(obj): the array itself when obj already is one.
nb::object asarray(nb::handle obj);
// numpy.array(obj, dtype=<dtype>) (no dtype when null): a new array, numpy's
// conversion rules.
nb::object array_as(nb::handle obj, const char* dtype);

int ndim(nb::handle array);
std::vector<Index> shape(nb::handle array);
// numpy's dtype.kind of the array: 'f', 'i', 'u', 'b', 'c', 'O', ...
char dtype_kind(nb::handle array);
Index length(nb::handle array);  // len(array) (first dimension)

// Copies of an array's values as float64 (integers and booleans converted as
// numpy's astype(float) converts them). `matrix_from` needs a 2-D array and
// keeps its rows and columns; `vector_from` flattens in C order.
Matrix matrix_from(nb::handle array);
Vector vector_from(nb::handle array);
CMatrix cmatrix_from(nb::handle array);
CVector cvector_from(nb::handle array);
IntMatrix int_matrix_from(nb::handle array);
IntVector int_vector_from(nb::handle array);

// Convenience: asarray, then the copy. A 1-D array becomes one column in
// `column_matrix`; `matrix` requires two dimensions (else ValueError naming `what`).
Matrix matrix(nb::handle obj, const char* what);
Matrix column_matrix(nb::handle obj);
Vector vector(nb::handle obj);
// Polynomial rows (numerators, one row per input): a 1-D array is one row.
Matrix row_matrix(nb::handle obj);

}  // namespace vantrelpid::py
