// vantrelpid.tools.binseq: pseudo-random binary test sequence.

#include "support/module.hpp"
#include "vantrelpid/prep/binseq.hpp"

namespace py = vantrelpid::py;

namespace {

nb::object binseq(nb::handle N, nb::handle Tsw, nb::handle Tmin, nb::handle Tmax, nb::handle Seeds) {
    // Python's order: reseed, then 1 / Tsw, then the draws of N values.
    if (!Seeds.is_none()) py::NumpyRandom::seed_object(Seeds);
    vantrelpid::BinarySequenceSpec spec;
    spec.p = py::true_divide(nb::int_(1), Tsw);
    spec.n = py::index_arg(N);
    spec.t_min = py::float_arg(Tmin, "Tmin");
    spec.t_max = py::float_arg(Tmax, "Tmax");
    py::NumpyRandom random;
    return py::array1d(vantrelpid::binseq(spec, std::nullopt, random));
}

}  // namespace

NB_MODULE(binseq, m) {
    py::init_module(m);
    m.def("binseq", &binseq, "N"_a, "Tsw"_a, "Tmin"_a = 1, "Tmax"_a = 10000, "Seeds"_a = nb::none(),
          "binseq(N, Tsw, Tmin=1, Tmax=10000, Seeds=None) -> U\n\n"
          "N values of +1.0 and -1.0 that switch with probability 1/Tsw per sample, never\n"
          "sooner than Tmin and never later than Tmax samples after the previous switch.\n"
          "Draws N uniform values from numpy's global generator, reseeded with Seeds\n"
          "when it is not None.");
}
