#pragma once
// Array types of the core. Signal matrices hold one sample per row and one
// signal per column, as the Python side does.

#include <Eigen/Core>
#include <complex>
#include <cstdint>
#include <vector>

namespace vantrelpid {

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;
using RowVector = Eigen::RowVectorXd;
using Complex = std::complex<double>;
using CMatrix = Eigen::MatrixXcd;
using CVector = Eigen::VectorXcd;
using Index = Eigen::Index;

// Integer results (sample numbers, slice rows, delays) are int64, as numpy's
// default integer type on the platforms the package supports.
using IntVector = Eigen::Matrix<std::int64_t, Eigen::Dynamic, 1>;
using IntMatrix = Eigen::Matrix<std::int64_t, Eigen::Dynamic, Eigen::Dynamic>;

}  // namespace vantrelpid
