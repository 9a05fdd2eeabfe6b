#include "support/slice_table.hpp"

#include <string>

#include "support/convert.hpp"
#include "support/translate.hpp"
#include "support/pyargs.hpp"
#include "vantrelpid/pynum.hpp"

namespace vantrelpid::py {

namespace {

// A float array's entries converted one by one through Python's int(), as
// the same values given as a list are: NaN raises ValueError, infinities and
// values beyond int64 OverflowError (a cast would give -2**63 silently). An
// unsigned array's values beyond int64 raise IndexError naming the value (a
// cast would wrap it to a negative number).
nb::object entries(nb::handle table) {
    if (!nb::isinstance(table, numpy().attr("ndarray"))) return nb::borrow(table);
    require_int64_samples(table);
    return dtype_kind(table) == 'f' ? table.attr("tolist")() : nb::borrow(table);
}

}  // namespace

IntMatrix slice_table(nb::handle SliceInd, nb::handle k) {
    nb::object T = array_as(entries(item(SliceInd, k)), "int64");
    const int nd = ndim(T);
    check(nd == 2, "SliceInd must be a matrix");
    if (nd < 2) {
        raise_index_error("too many indices for array: array is " + std::to_string(nd) +
                          "-dimensional, but 2 were indexed");
    }
    if (nd > 2) {
        raise_value_error("The truth value of an array with more than one element is ambiguous. "
                          "Use a.any() or a.all()");
    }
    const auto dims = shape(T);
    check(dims[1] == 2, "SliceInd must have two columns");
    if (dims[1] == 0) raise_index_error(pynum::out_of_bounds_message(0, 0, 1));
    IntMatrix table = int_matrix_from(T);
    if (dims[1] == 1) {
        // Only the padding test reads the first column; any deselected row
        // then reads the missing second one.
        if (table.rows() > 0 && table(0, 0) != -1)
            raise_index_error(pynum::out_of_bounds_message(1, 1, 1));
        return IntMatrix(0, 2);
    }
    return table.leftCols(2);
}

CheckedSelection checked_selection(nb::handle SliceInd, Index k, Index n_rows) {
    return vantrelpid::checked_selection(slice_table(SliceInd, nb::int_(k)), n_rows);
}

}  // namespace vantrelpid::py
