// Model forms, discretisation and scaling of the utility layer, exposed for testing.

#include <nanobind/stl/string.h>

#include <cmath>
#include <string>

#include "support/models.hpp"
#include "support/module.hpp"
#include "utilities/register.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/forms.hpp"

namespace vantrelpid::py::utilities {

namespace {

// A matrix argument; lower-dimensional arrays take the layout `one_d` says:
// a one-dimensional array as one row or as one column, a scalar as 1 x 1.
enum class OneD { Row, Column };

Matrix matrix_arg(nb::handle obj, const char* name, OneD one_d) {
    nb::object a = asarray(obj);
    switch (ndim(a)) {
        case 0: return Matrix::Constant(1, 1, vector_from(a)(0));
        case 1: {
            const Vector v = vector_from(a);
            return one_d == OneD::Row ? Matrix(v.transpose()) : Matrix(v);
        }
        case 2: return matrix_from(a);
        default: raise_value_error(std::string(name) + " must be at most two-dimensional");
    }
}

util::StateSpace model_arg(nb::handle A, nb::handle B, nb::handle C, nb::handle D) {
    return {matrix_arg(A, "A", OneD::Column), matrix_arg(B, "B", OneD::Column), matrix_arg(C, "C", OneD::Row),
            matrix_arg(D, "D", OneD::Row)};
}

double sample_time(nb::handle Ts) { return float_arg(Ts, "Ts"); }

void check_method(nb::handle method) {
    if (nb::isinstance<nb::str>(method) && nb::cast<std::string>(method) == "zoh") return;
    raise_value_error("only the zero-order hold is supported: method must be 'zoh', not " +
                      nb::cast<std::string>(nb::repr(method)));
}

nb::tuple model_result(const util::StateSpace& m) {
    return nb::make_tuple(array(m.A), array(m.B), array(m.C), array(m.D));
}

nb::tuple polynomials(const util::TransferFunction& f) { return nb::make_tuple(array1d(f.num), array1d(f.den)); }

}  // namespace

void register_forms(nb::module_& m) {
    m.def(
        "armax2ss",
        [](nb::handle den, nb::handle num) {
            return model_result(util::armax2ss(vector(den), matrix_arg(num, "num", OneD::Row)));
        },
        "den"_a, "num"_a,
        "armax2ss(den, num) -> (A, B, C, D) of num_j / den in powers of z^-1, one input per row of num");
    m.def(
        "ss2armax",
        [](nb::handle A, nb::handle B, nb::handle C, nb::handle D) {
            const util::ArmaxModel p = util::ss2armax(model_arg(A, B, C, D));
            return nb::make_tuple(array1d(p.den), array(p.num));
        },
        "A"_a, "B"_a, "C"_a, "D"_a, "ss2armax(A, B, C, D) -> (den, num) of a one-output model");
    m.def(
        "get_sub",
        [](nb::handle A, nb::handle B, nb::handle C, nb::handle D, nb::handle ORDS, nb::handle i) {
            const std::vector<Index> ords = model_orders(ORDS);
            const Index output = pynum::normalize_index(index_arg(i), static_cast<std::int64_t>(ords.size()));
            return model_result(util::get_sub(model_arg(A, B, C, D), ords, output));
        },
        "A"_a, "B"_a, "C"_a, "D"_a, "ORDS"_a, "i"_a,
        "get_sub(A, B, C, D, ORDS, i) -> (A, B, C, D) of output i of a stacked model");
    m.def(
        "unscale",
        [](nb::handle A, nb::handle B, nb::handle C, nb::handle D, nb::handle STDu, nb::handle STDy, nb::handle ORDS) {
            return model_result(util::unscale(model_arg(A, B, C, D), vector(STDu), vector(STDy), model_orders(ORDS)));
        },
        "A"_a, "B"_a, "C"_a, "D"_a, "STDu"_a, "STDy"_a, "ORDS"_a,
        "unscale(A, B, C, D, STDu, STDy, ORDS) -> (A, B, C, D) of the scaled model in engineering units");
    m.def(
        "frunscal",
        [](nb::handle G, nb::handle STDu, nb::handle STDy) {
            return array(util::frunscal(matrix(G, "G"), vector(STDu), vector(STDy)));
        },
        "G"_a, "STDu"_a, "STDy"_a, "frunscal(G, STDu, STDy) -> G with column i*nu + j times STDy[i] / STDu[j]");
    m.def(
        "gainmodifyss",
        [](nb::handle A, nb::handle B, nb::handle C, nb::handle D, nb::handle g, nb::handle r) {
            return model_result(util::gainmodifyss(model_arg(A, B, C, D), float_arg(g, "g"), float_arg(r, "r")));
        },
        "A"_a, "B"_a, "C"_a, "D"_a, "g"_a, "r"_a,
        "gainmodifyss(A, B, C, D, g, r) -> (A, B, C, D) of a one-input, one-output model: A scaled\n"
        "by r / rho when its spectral radius rho is 1 or more, then C and D by g / G0, G0 the\n"
        "static gain C (I - A)^-1 B + D, when it is finite and not zero");
    m.def(
        "c2dm2",
        [](nb::handle num, nb::handle den, nb::handle Ts, nb::handle method) {
            check_method(method);
            return polynomials(util::c2dm2(vector(num), vector(den), sample_time(Ts)));
        },
        "num"_a, "den"_a, "Ts"_a, "method"_a = "zoh",
        "c2dm2(num, den, Ts, method='zoh') -> (numd, dend), zero-order hold, descending powers of z");
    m.def(
        "d2cm2",
        [](nb::handle numd, nb::handle dend, nb::handle Ts, nb::handle method) {
            check_method(method);
            return polynomials(util::d2cm2(vector(numd), vector(dend), sample_time(Ts)));
        },
        "numd"_a, "dend"_a, "Ts"_a, "method"_a = "zoh",
        "d2cm2(numd, dend, Ts, method='zoh') -> (num, den) in s, the inverse of c2dm2");
}

}  // namespace vantrelpid::py::utilities
