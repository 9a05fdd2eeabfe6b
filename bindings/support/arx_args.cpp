#include "support/arx_args.hpp"

#include <nanobind/stl/string.h>

#include <string>

#include "support/convert.hpp"
#include "support/translate.hpp"
#include "support/pyargs.hpp"

namespace vantrelpid::py {

Vector signal_column(nb::handle obj, const char* name, bool floating_only) {
    nb::object a = asarray(obj);
    const char kind = dtype_kind(a);
    if (floating_only && kind != 'f')
        raise_type_error(std::string(name) + " must hold floating-point numbers, not " + dtype_name(a));
    require_real(a, name);
    const auto dims = shape(a);
    if (dims.size() != 2 || dims[1] != 1) raise_value_error(std::string(name) + " must be a single column (N x 1)");
    return vector_from(a);
}

std::optional<IntVector> delay_list(nb::handle Delay, Index inputs) {
    if (Delay.is_none()) return std::nullopt;
    const auto length = static_cast<Index>(nb::len(Delay));
    check(length == inputs, "The length of Delay must be equal to the number of inputs");
    IntVector d(inputs);
    for (Index i = 0; i < inputs; ++i) d(i) = index_arg(item(Delay, static_cast<std::int64_t>(i)));
    return d;
}

IntMatrix slice_rows(nb::handle obj, const char* name) {
    nb::object a = asarray(obj);
    const auto dims = shape(a);
    Index size = 1;
    for (Index d : dims) size *= d;
    if (size == 0) raise_value_error(std::string(name) + " has no rows");
    if (dims.size() != 2 || dims[1] != 2) raise_value_error(std::string(name) + " must hold rows [first, last]");
    const char kind = dtype_kind(a);
    if (kind != 'i' && kind != 'u' && kind != 'b')
        raise_type_error(std::string(name) + " must hold whole numbers of an integer type, not " + dtype_name(a));
    require_int64_samples(a);
    return int_matrix_from(a);
}

}  // namespace vantrelpid::py
