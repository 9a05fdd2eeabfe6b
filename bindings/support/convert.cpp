#include "support/convert.hpp"

#include <nanobind/ndarray.h>
#include <nanobind/stl/string.h>

#include <cstdint>
#include <limits>
#include <string>

#include "support/translate.hpp"
#include "vantrelpid/errors.hpp"

namespace vantrelpid::py {

using namespace nb::literals;

namespace {

template <typename T>
using CArray = nb::ndarray<const T, nb::c_contig, nb::device::cpu>;

// A C-contiguous copy (or the array itself) of the given dtype.
template <typename T>
CArray<T> contiguous(nb::handle array, const char* dtype) {
    nb::object a = numpy().attr("ascontiguousarray")(array, "dtype"_a = dtype);
    return nb::cast<CArray<T>>(a);
}

template <typename Out, typename T>
Out copy_2d(nb::handle array, const char* dtype) {
    if (ndim(array) != 2) raise_value_error("expected a two-dimensional array");
    CArray<T> a = contiguous<T>(array, dtype);
    const Index rows = static_cast<Index>(a.shape(0)), cols = static_cast<Index>(a.shape(1));
    using RowMajor = Eigen::Matrix<T, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
    return Eigen::Map<const RowMajor>(a.data(), rows, cols);
}

template <typename Out, typename T>
Out copy_flat(nb::handle array, const char* dtype) {
    CArray<T> a = contiguous<T>(array, dtype);
    return Eigen::Map<const Eigen::Matrix<T, Eigen::Dynamic, 1>>(a.data(), static_cast<Index>(a.size()));
}

}  // namespace

nb::module_ numpy() { return nb::module_::import_("numpy"); }

nb::object asarray(nb::handle obj) { return numpy().attr("asarray")(obj); }

nb::object array_as(nb::handle obj, const char* dtype) {
    if (dtype == nullptr) return numpy().attr("array")(obj);
    return numpy().attr("array")(obj, "dtype"_a = dtype);
}

int ndim(nb::handle array) { return nb::cast<int>(array.attr("ndim")); }

std::vector<Index> shape(nb::handle array) {
    std::vector<Index> out;
    for (nb::handle d : nb::tuple(array.attr("shape"))) out.push_back(nb::cast<Index>(d));
    return out;
}

char dtype_kind(nb::handle array) {
    return nb::cast<std::string>(array.attr("dtype").attr("kind"))[0];
}

Index length(nb::handle array) { return static_cast<Index>(nb::len(array)); }

Matrix matrix_from(nb::handle array) { return copy_2d<Matrix, double>(array, "float64"); }
Vector vector_from(nb::handle array) { return copy_flat<Vector, double>(array, "float64"); }
CMatrix cmatrix_from(nb::handle array) { return copy_2d<CMatrix, Complex>(array, "complex128"); }
CVector cvector_from(nb::handle array) { return copy_flat<CVector, Complex>(array, "complex128"); }
IntMatrix int_matrix_from(nb::handle array) { return copy_2d<IntMatrix, std::int64_t>(array, "int64"); }
IntVector int_vector_from(nb::handle array) { return copy_flat<IntVector, std::int64_t>(array, "int64"); }

std::string dtype_name(nb::handle array) { return nb::cast<std::string>(array.attr("dtype").attr("name")); }

void require_real(nb::handle array, const char* name) {
    const char kind = dtype_kind(array);
    if (kind != 'f' && kind != 'i' && kind != 'u' && kind != 'b')
        raise_type_error(std::string(name) + " must hold real numbers, not " + dtype_name(array));
}

void reject_complex(nb::handle array, const char* name) {
    if (dtype_kind(array) == 'c') require_real(array, name);
}

Matrix real_matrix(nb::handle obj, const char* name, NotTwoD not_two_d) {
    nb::object a = asarray(obj);
    const int nd = ndim(a);
    if (nd != 2) {
        if (not_two_d == NotTwoD::Empty) {
            require_real(a, name);
            return Matrix();
        }
        if (not_two_d == NotTwoD::IndexError && nd == 1)
            raise_index_error("too many indices for array: array is 1-dimensional, but 2 were indexed");
        raise_value_error(std::string(name) + " must be a two-dimensional array with one column per signal");
    }
    require_real(a, name);
    return matrix_from(a);
}

Matrix matrix(nb::handle obj, const char* what) {
    nb::object a = asarray(obj);
    if (ndim(a) != 2) raise_value_error(std::string(what) + " must be a two-dimensional array");
    reject_complex(a, what);
    return matrix_from(a);
}

Matrix column_matrix(nb::handle obj) {
    nb::object a = asarray(obj);
    if (ndim(a) == 1) {
        Vector v = vector_from(a);
        return Matrix(v);
    }
    return matrix_from(a);
}

Vector vector(nb::handle obj) { return vector_from(asarray(obj)); }

Vector vector(nb::handle obj, const char* name) {
    nb::object a = asarray(obj);
    reject_complex(a, name);
    return vector_from(a);
}

Matrix row_matrix(nb::handle obj) {
    nb::object a = asarray(obj);
    if (ndim(a) <= 1) return vector_from(a).transpose();
    return matrix_from(a);
}

nb::object polynomial_array(nb::handle obj, const char* name) {
    nb::object a = asarray(obj);
    const std::vector<Index> dims = shape(a);
    Index longer = 0;  // dimensions of more than one coefficient
    for (Index d : dims) longer += d > 1;
    if (longer > 1) {
        std::string text;
        for (Index d : dims) text += (text.empty() ? "" : " x ") + std::to_string(d);
        throw InvalidArgument(std::string(name) + " must be a polynomial: one row or one column of coefficients, not a " +
                              text + " array");
    }
    return a;
}

Vector polynomial(nb::handle obj, const char* name) { return vector_from(polynomial_array(obj, name)); }

void require_int64_samples(nb::handle array) {
    if (dtype_kind(array) != 'u') return;
    nb::object limit = numpy().attr("uint64")(nb::int_(std::numeric_limits<std::int64_t>::max()));
    nb::object beyond = array.attr("__getitem__")(numpy().attr("greater")(array, limit));
    if (nb::len(beyond) == 0) return;
    raise_index_error("sample number " + nb::cast<std::string>(nb::str(beyond.attr("__getitem__")(0).attr("item")())) +
                      " is beyond any record");
}

}  // namespace vantrelpid::py
