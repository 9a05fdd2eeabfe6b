#pragma once
// Per-output record arguments shared by the fitting modules: selected sample
// numbers, input delays and output records.

#include <cmath>
#include <limits>
#include <string>

#include "support/convert.hpp"
#include "support/translate.hpp"
#include "vantrelpid/pynum.hpp"

namespace vantrelpid::py {

// 1-based selected sample numbers (SlSampk), as an integer array indexes:
// an empty array of any shape selects nothing; other arrays must be
// one-dimensional and of an integer type (numpy's IndexError otherwise;
// TypeError for complex values), unsigned values within int64.
inline IntVector sample_numbers(nb::handle obj, const char* name) {
    nb::object a = asarray(obj);
    if (nb::cast<Index>(a.attr("size")) == 0) return IntVector();
    reject_complex(a, name);
    const char kind = dtype_kind(a);
    if (kind != 'i' && kind != 'u') raise_index_error("arrays used as indices must be of integer (or boolean) type");
    if (ndim(a) != 1) raise_value_error(std::string(name) + " must be a one-dimensional array of sample numbers");
    require_int64_samples(a);
    return int_vector_from(a);
}

// An unsigned array's values as int64, those above 2**63 - 1 saturated
// (a cast would wrap them to negative numbers).
inline IntVector unsigned_saturated(nb::handle a) {
    nb::object limit = numpy().attr("uint64")(nb::int_(std::numeric_limits<std::int64_t>::max()));
    return int_vector_from(numpy().attr("minimum")(a, limit));
}

// Input delays in whole samples: one number or one per input; whole-valued
// floats count as the integers they equal. Whole numbers beyond int64 are
// saturated: a delay beyond the record means the same at 2**63 - 1.
inline IntVector delays(nb::handle obj, const char* name) {
    nb::object a = asarray(obj);
    reject_complex(a, name);
    const char kind = dtype_kind(a);
    if (kind == 'f') {
        const Vector v = vector_from(a);
        IntVector d(v.size());
        for (Index i = 0; i < v.size(); ++i) {
            if (!std::isfinite(v(i)) || v(i) != std::floor(v(i)))
                raise_type_error(std::string(name) + " must hold whole numbers of samples");
            d(i) = pynum::saturate_whole(v(i));
        }
        return d;
    }
    if (kind != 'i' && kind != 'u' && kind != 'b')
        raise_type_error(std::string(name) + " must hold whole numbers of samples");
    return kind == 'u' ? unsigned_saturated(a) : int_vector_from(a);
}

// One output's record: one-dimensional or a single column.
inline Vector output_record(nb::handle obj, const char* name) {
    nb::object a = asarray(obj);
    const int nd = ndim(a);
    if (nd == 0 || nd > 2 || (nd == 2 && shape(a)[1] != 1))
        raise_value_error(std::string(name) + " must be one-dimensional or a single column");
    reject_complex(a, name);
    return vector_from(a);
}

}  // namespace vantrelpid::py
