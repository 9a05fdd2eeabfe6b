#pragma once
// Arguments in: array-likes go through numpy.asarray once and are copied into
// the core's types; the caller's objects are never written to.

#include <nanobind/nanobind.h>

#include <string>
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

// numpy's dtype name of the array ("float64", "complex128", ...).
std::string dtype_name(nb::handle array);

// The one test of real values (floating, integer or boolean dtypes): anything
// else, complex values above all, raises TypeError
// "<name> must hold real numbers, not <dtype>" instead of being cast.
void require_real(nb::handle array, const char* name);
// The same TypeError for complex values only, where other dtypes keep the
// errors of the conversion that follows.
void reject_complex(nb::handle array, const char* name);

// What a reader of a two-dimensional signal does with an array of another
// number of dimensions.
enum class NotTwoD {
    // ValueError "<name> must be a two-dimensional array with one column per signal"
    ValueError,
    // a one-dimensional array raises numpy's IndexError of indexing it with two
    // indices ("too many indices for array: ..."); others the ValueError
    IndexError,
    // an empty matrix, for the caller's own shape check
    Empty,
};

// A real signal matrix, one sample per row and one signal per column, through
// numpy.asarray (the one reader of records with signals in columns).
Matrix real_matrix(nb::handle obj, const char* name, NotTwoD not_two_d = NotTwoD::ValueError);

// Convenience: asarray, then the copy. A 1-D array becomes one column in
// `column_matrix`; `matrix` requires two dimensions (else ValueError naming
// `what`) and no complex values (reject_complex).
Matrix matrix(nb::handle obj, const char* what);
Matrix column_matrix(nb::handle obj);
Vector vector(nb::handle obj);
// `vector` of values that are not complex (reject_complex naming `name`).
Vector vector(nb::handle obj, const char* name);
// Polynomial rows (numerators, one row per input): a 1-D array is one row.
Matrix row_matrix(nb::handle obj);

// numpy.asarray(obj) of one polynomial (coefficients in descending powers),
// to be read flat: a 1-D array, a row (1 x n), a column (n x 1) or a scalar.
// An array with more than one row and more than one column holds no single
// polynomial: it raises InvalidArgument (ValueError) "<name> must be a
// polynomial: one row or one column of coefficients, not a 3 x 2 array" -- a
// core error, so that a guard that turns Python's errors into a status lets
// it through.
nb::object polynomial_array(nb::handle obj, const char* name);
// polynomial_array read flat as float64, as `vector` reads it.
Vector polynomial(nb::handle obj, const char* name);

// Sample numbers (sample lists, slice tables) given as an unsigned integer
// array: a value beyond int64 raises IndexError "sample number <value> is
// beyond any record", naming the first such value as given (a conversion to
// int64 would wrap it to a negative number). Other arrays pass unchecked.
void require_int64_samples(nb::handle array);

}  // namespace vantrelpid::py
