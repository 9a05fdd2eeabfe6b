// vantrelpid.tools.segmask: slice table -> selected slices and sample numbers.

#include "support/module.hpp"
#include "vantrelpid/prep/segmask.hpp"

namespace py = vantrelpid::py;

namespace {

// np.array(SliceInd[k], dtype=int), checked as the table of one output.
vantrelpid::IntMatrix slice_table(nb::handle SliceInd, nb::handle k) {
    nb::object T = py::array_as(py::item(SliceInd, k), "int64");
    const int nd = py::ndim(T);
    py::check(nd == 2, "SliceInd must be a matrix");
    if (nd < 2) {
        py::raise_index_error("too many indices for array: array is " + std::to_string(nd) +
                              "-dimensional, but 2 were indexed");
    }
    if (nd > 2) {
        py::raise_value_error("The truth value of an array with more than one element is ambiguous. "
                              "Use a.any() or a.all()");
    }
    const auto dims = py::shape(T);
    py::check(dims[1] == 2, "SliceInd must have two columns");
    if (dims[1] == 0) py::raise_index_error("index 0 is out of bounds for axis 1 with size 0");
    vantrelpid::IntMatrix table = py::int_matrix_from(T);
    if (dims[1] == 1) {
        // Only the padding test reads the first column; any deselected row
        // then reads the missing second one.
        if (table.rows() > 0 && table(0, 0) != -1)
            py::raise_index_error("index 1 is out of bounds for axis 1 with size 1");
        return vantrelpid::IntMatrix(0, 2);
    }
    return table.leftCols(2);
}

nb::tuple segmask(nb::handle SliceInd, nb::handle k, nb::handle N) {
    const vantrelpid::IntMatrix table = slice_table(SliceInd, k);
    const std::int64_t n = py::index_arg(N);
    const vantrelpid::SliceSelection s = vantrelpid::segmask(table, n);
    nb::object samples = s.none_survived ? py::empty_int(0, 2) : py::array1d(s.samples);
    return nb::make_tuple(py::array(s.slices), samples);
}

}  // namespace

NB_MODULE(segmask, m) {
    py::init_module(m);
    m.def("segmask", &segmask, "SliceInd"_a, "k"_a, "N"_a,
          "segmask(SliceInd, k, N) -> (SlIndk, SlSampk)\n\n"
          "Selected slices [first, last] (1-based, inclusive) of output k's record of N\n"
          "samples, the complement of its table of deselected stretches, and their sample\n"
          "numbers. Stretches shorter than 143 samples are dropped.");
}
