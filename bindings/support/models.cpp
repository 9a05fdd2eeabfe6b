#include "support/models.hpp"

#include <cmath>
#include <string>

#include "support/convert.hpp"
#include "support/samples.hpp"
#include "support/translate.hpp"
#include "vantrelpid/pynum.hpp"

namespace vantrelpid::py {

namespace {

// np.array(obj), not complex; a one-dimensional array becomes one row when
// `one_d_as_row` is set.
nb::object model_array(nb::handle obj, const char* name, bool one_d_as_row) {
    nb::object a = array_as(obj, nullptr);
    reject_complex(a, name);
    if (one_d_as_row && ndim(a) == 1) a = a.attr("reshape")(nb::make_tuple(1, -1));
    return a;
}

Matrix two_dimensional(nb::handle a, const char* name) {
    if (ndim(a) != 2) raise_value_error(std::string(name) + " must be a two-dimensional array");
    return matrix_from(a);
}

}  // namespace

util::StateSpace stacked_model(nb::handle A, nb::handle B, nb::handle C, nb::handle D) {
    nb::object a = model_array(A, "A", false), b = model_array(B, "B", false);
    nb::object d = model_array(D, "D", true);
    nb::object c = model_array(C, "C", true);
    const int nd = ndim(d);
    if (nd < 2) raise_value_error("not enough values to unpack (expected 2, got " + std::to_string(nd) + ")");
    if (nd > 2) raise_value_error("too many values to unpack (expected 2)");
    return {two_dimensional(a, "A"), two_dimensional(b, "B"), two_dimensional(c, "C"), matrix_from(d)};
}

std::vector<Index> model_orders(nb::handle ORDS) {
    nb::object a = asarray(ORDS);
    reject_complex(a, "ORDS");
    const char kind = dtype_kind(a);
    if (kind == 'i' || kind == 'u') {
        const IntVector v = kind == 'u' ? unsigned_saturated(a) : int_vector_from(a);
        return {v.data(), v.data() + v.size()};
    }
    if (kind == 'f') {
        const Vector v = vector_from(a);
        std::vector<Index> out;
        for (Index k = 0; k < v.size(); ++k) {
            if (!std::isfinite(v(k)) || v(k) != std::floor(v(k))) break;
            out.push_back(pynum::saturate_whole(v(k)));  // beyond int64: more states than any model
        }
        if (static_cast<Index>(out.size()) == v.size()) return out;
    }
    raise_type_error("ORDS must hold whole numbers of states");
}

}  // namespace vantrelpid::py
