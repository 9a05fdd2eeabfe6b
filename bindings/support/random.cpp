#include "support/random.hpp"

#include <nanobind/ndarray.h>

namespace vantrelpid::py {

namespace {

nb::object numpy_random() { return nb::module_::import_("numpy").attr("random"); }

std::vector<double> draw(const char* name, std::int64_t n) {
    nb::object values = numpy_random().attr(name)(n);
    auto a = nb::cast<nb::ndarray<const double, nb::ndim<1>, nb::c_contig, nb::device::cpu>>(values);
    return std::vector<double>(a.data(), a.data() + a.shape(0));
}

}  // namespace

void NumpyRandom::seed(std::int64_t seed) { numpy_random().attr("seed")(seed); }

void NumpyRandom::seed_object(nb::handle seed) { numpy_random().attr("seed")(seed); }

std::vector<double> NumpyRandom::rand(std::int64_t n) { return draw("rand", n); }

std::vector<double> NumpyRandom::randn(std::int64_t n) { return draw("randn", n); }

}  // namespace vantrelpid::py
