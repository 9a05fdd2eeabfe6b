// vantrelpid.tools.deadtime: dead time of each output in whole samples.

#include "support/arx_args.hpp"
#include "support/module.hpp"
#include "support/signals.hpp"
#include "support/slice_table.hpp"
#include "vantrelpid/arx/deadtime.hpp"

namespace py = vantrelpid::py;

namespace {

// The candidates' scores as computed: floats, and the integer 10000 for a
// diverged candidate.
nb::list score_list(const std::vector<vantrelpid::DelayScore>& scores) {
    nb::list out;
    for (const vantrelpid::DelayScore& s : scores) {
        if (s.diverged) out.append(nb::int_(10000));
        else out.append(nb::float_(s.value));
    }
    return out;
}

nb::tuple deadtime(nb::handle MVdata, nb::handle CVdata, nb::handle CV_INT, nb::handle CVslice) {
    const vantrelpid::Matrix mv = py::real_matrix(MVdata, "MVdata");
    const vantrelpid::Matrix cv = py::real_matrix(CVdata, "CVdata");
    vantrelpid::DelaySearchOutputs outputs;
    outputs.selection = [&](vantrelpid::Index k, vantrelpid::Index n_rows) {
        return py::checked_selection(CVslice, k, n_rows);
    };
    outputs.integrating = [&](vantrelpid::Index k) { return py::equals(py::item(CV_INT, k), 1); };
    py::NumpyRandom random;
    py::PythonWarnings warnings;
    const vantrelpid::DelaySearch r = vantrelpid::deadtime(mv, cv, outputs, random, warnings, py::PythonSignals());

    nb::list err_test;
    for (const vantrelpid::OutputDelaySearch& s : r.ErrTest) {
        nb::list entry;
        entry.append(py::array1d(s.candidates));
        entry.append(score_list(s.scores));
        err_test.append(entry);
    }
    return nb::make_tuple(py::array(r.Delay), err_test);
}

}  // namespace

NB_MODULE(deadtime, m) {
    py::init_module(m, {"vantrelpid.tools.segmask", "vantrelpid.tools.fitclean", "vantrelpid.tools.seglsq"});
    nb::exception<vantrelpid::DelayEstimationError>(m, "DelayEstimationError");
    m.def("deadtime", &deadtime, "MVdata"_a, "CVdata"_a, "CV_INT"_a, "CVslice"_a,
          "deadtime(MVdata, CVdata, CV_INT, CVslice) -> (Delay, ErrTest)\n\n"
          "Dead time of each output of CVdata (N x ny) from the inputs MVdata (N x nu),\n"
          "in samples (1 = no dead time beyond the one-sample hold): for each candidate\n"
          "delay an order-10 ARX model over the output's selected slices, simulated and\n"
          "scored by its error variance relative to the output's; chosen is the largest\n"
          "delay within 1.007 of the best score (equal to it for an integrating output).\n"
          "Delay: ny x nu, one value per row. ErrTest[k]: [candidates, scores].\n"
          "Raises DelayEstimationError when no candidate of an output qualifies.");
}
