#include "support/results.hpp"

#include <nanobind/ndarray.h>

#include <cstring>
#include <memory>

#include "support/convert.hpp"

namespace vantrelpid::py {

using namespace nb::literals;

namespace {

// A capsule that deletes the buffer when the last array using it goes. The
// buffer stays with the unique_ptr until the capsule exists (its constructor
// can throw), and is released to it only then.
template <typename T>
nb::capsule owning_capsule(std::unique_ptr<T[]>& buffer) {
    nb::capsule owner(buffer.get(), [](void* p) noexcept { delete[] static_cast<T*>(p); });
    buffer.release();
    return owner;
}

// A numpy array that owns a copy of `count` values, in C order.
template <typename T>
nb::object make_array(const T* data, std::initializer_list<std::size_t> dims) {
    std::size_t count = 1;
    for (std::size_t d : dims) count *= d;
    std::unique_ptr<T[]> buffer(new T[count > 0 ? count : 1]);
    if (count > 0) std::memcpy(buffer.get(), data, count * sizeof(T));
    nb::capsule owner = owning_capsule(buffer);
    nb::ndarray<nb::numpy, T> a(owner.data(), dims.size(), dims.begin(), owner);
    return a.cast();
}

template <typename T, typename Dense>
nb::object make_matrix(const Dense& X) {
    // Written straight into the new array's C-ordered buffer.
    using RowMajor = Eigen::Matrix<T, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
    const std::size_t rows = static_cast<std::size_t>(X.rows()), cols = static_cast<std::size_t>(X.cols());
    std::unique_ptr<T[]> buffer(new T[rows * cols > 0 ? rows * cols : 1]);
    Eigen::Map<RowMajor>(buffer.get(), X.rows(), X.cols()) = X;
    nb::capsule owner = owning_capsule(buffer);
    const std::size_t dims[2] = {rows, cols};
    nb::ndarray<nb::numpy, T> a(owner.data(), 2, dims, owner);
    return a.cast();
}

}  // namespace

nb::object array(const Matrix& X) { return make_matrix<double>(X); }
nb::object array(const CMatrix& X) { return make_matrix<Complex>(X); }
nb::object array(const IntMatrix& X) { return make_matrix<std::int64_t>(X); }

nb::object array1d(const Vector& x) { return make_array<double>(x.data(), {static_cast<std::size_t>(x.size())}); }
nb::object array1d(const CVector& x) { return make_array<Complex>(x.data(), {static_cast<std::size_t>(x.size())}); }
nb::object array1d(const IntVector& x) {
    return make_array<std::int64_t>(x.data(), {static_cast<std::size_t>(x.size())});
}

nb::object column(const Vector& x) {
    return make_array<double>(x.data(), {static_cast<std::size_t>(x.size()), 1});
}

nb::object empty_int(Index rows, Index cols) { return array(IntMatrix(IntMatrix::Zero(rows, cols))); }

nb::object float64(double x) { return numpy().attr("float64")(x); }

nb::object float64_0d(double x) { return numpy().attr("array")(x, "dtype"_a = "float64"); }

nb::list int_list(const std::vector<std::int64_t>& values) {
    nb::list out;
    for (std::int64_t v : values) out.append(nb::int_(v));
    return out;
}

nb::object char_array(const std::vector<std::string>& values, const std::vector<Index>& shape) {
    nb::list items;
    for (const std::string& v : values) items.append(nb::str(v.c_str(), v.size()));
    nb::object a = numpy().attr("array")(items, "dtype"_a = "<U1");
    nb::list dims;
    for (Index d : shape) dims.append(d);
    return a.attr("reshape")(nb::tuple(dims));
}

}  // namespace vantrelpid::py
