// vantrelpid.probeplan: test signals for a plant test of several loops.

#include "support/module.hpp"
#include "vantrelpid/prep/probeplan.hpp"

namespace py = vantrelpid::py;

namespace {

// round(x / 4) with Python's true division and built-in round.
std::int64_t quarter_rounded(nb::handle x) {
    nb::object q = nb::steal(PyNumber_TrueDivide(x.ptr(), nb::int_(4).ptr()));
    if (!q.is_valid()) throw nb::python_error();
    return py::index_arg(nb::module_::import_("builtins").attr("round")(q));
}

nb::tuple probeplan(nb::handle nSignal, nb::handle T2ST, nb::handle Interact) {
    nb::module_ builtins = nb::module_::import_("builtins");
    nb::object count = nb::int_(nb::len(T2ST));
    const int too_few = PyObject_RichCompareBool(count.ptr(), nSignal.ptr(), Py_LT);
    if (too_few < 0) throw nb::python_error();
    if (too_few) py::raise_value_error("T2ST has too few elements");

    // N = 45 * max(T2ST), at least 300 (the built-in max over every entry).
    nb::object longest = builtins.attr("max")(T2ST);
    nb::object n = nb::steal(PyNumber_Multiply(nb::int_(45).ptr(), longest.ptr()));
    if (!n.is_valid()) throw nb::python_error();
    const int short_test = PyObject_RichCompareBool(n.ptr(), nb::int_(300).ptr(), Py_LT);
    if (short_test < 0) throw nb::python_error();
    const std::int64_t n_samples = short_test ? 300 : py::index_arg(n);
    const std::int64_t n_signals = py::index_arg(nSignal);

    const bool interacting = py::equals(Interact, 1);
    std::vector<std::int64_t> tsw;
    for (std::int64_t k = 0; k < n_signals; ++k)
        tsw.push_back(quarter_rounded(interacting ? nb::handle(longest) : nb::handle(py::item(T2ST, k))));

    py::NumpyRandom random;
    const vantrelpid::TestSignals s = vantrelpid::probeplan(n_samples, tsw, random);
    nb::object R = n_signals == 1 ? py::float64_0d(s.covariance(0, 0)) : py::array(s.covariance);
    return nb::make_tuple(py::array(s.signals), R);
}

}  // namespace

NB_MODULE(probeplan, m) {
    py::init_module(m, {"vantrelpid.tools.binseq"});
    m.def("probeplan", &probeplan, "nSignal"_a, "T2ST"_a, "Interact"_a,
          "probeplan(nSignal, T2ST, Interact) -> (TestSig, R)\n\n"
          "One test signal per loop: a binary sequence of +-1 switching every round(T/4)\n"
          "samples on average (T the loop's time to steady state, or the largest one when\n"
          "Interact == 1) plus uniform noise in [-0.3, 0.3), over 45 * max(T2ST) samples\n"
          "(at least 300), and the covariance R of the signals.");
}
