// vantrelpid.tools.segmask: slice table -> selected slices and sample numbers.

#include "support/module.hpp"
#include "support/slice_table.hpp"
#include "vantrelpid/prep/segmask.hpp"

namespace py = vantrelpid::py;

namespace {

nb::tuple segmask(nb::handle SliceInd, nb::handle k, nb::handle N) {
    const vantrelpid::IntMatrix table = py::slice_table(SliceInd, k);
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
