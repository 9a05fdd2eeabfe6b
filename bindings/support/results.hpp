#pragma once
// Results out: new numpy arrays in C order with the exact shapes and dtypes
// the functions document (float64, int64, complex128).

#include <nanobind/nanobind.h>

#include <string>
#include <vector>

#include "vantrelpid/types.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

nb::object array(const Matrix& X);          // rows x cols float64
nb::object array1d(const Vector& x);        // (n,) float64
nb::object column(const Vector& x);         // (n, 1) float64
nb::object array(const CMatrix& X);         // rows x cols complex128
nb::object array1d(const CVector& x);       // (n,) complex128
nb::object array(const IntMatrix& X);       // rows x cols int64
nb::object array1d(const IntVector& x);     // (n,) int64
nb::object empty_int(Index rows, Index cols);  // int64 of shape (rows, cols), zeros

nb::object float64(double x);               // numpy.float64 scalar
nb::object float64_0d(double x);            // zero-dimensional float64 array

nb::list int_list(const std::vector<std::int64_t>& values);
// A numpy array of one-character strings (dtype '<U1').
nb::object char_array(const std::vector<std::string>& values, const std::vector<Index>& shape);

}  // namespace vantrelpid::py
