// vantrelpid.legacyloop: an existing closed loop identified from its
// set-point and PV records, and its response to a unit set-point step.

#include <exception>
#include <string>

#include "support/module.hpp"
#include "support/slice_table.hpp"
#include "vantrelpid/ident/legacyloop.hpp"

namespace py = vantrelpid::py;

namespace {

// A record as its samples, flattened (a column counts along its samples).
vantrelpid::Vector record(nb::handle obj, const char* name) {
    nb::object a = py::asarray(obj);
    py::require_real(a, name);
    return py::vector_from(a);
}

// Python's `except Exception`: interrupts and exits are not failures.
bool is_failure(const std::exception& e) {
    const auto* python = dynamic_cast<const nb::python_error*>(&e);
    return python == nullptr || python->matches(PyExc_Exception);
}

// Ac, Bc and CV_INT are accepted and not used: the loop is identified from R
// and Y alone, as a self-regulating one.
nb::tuple legacyloop(nb::handle /*Ac*/, nb::handle /*Bc*/, nb::handle Delayc, nb::handle /*CV_INT*/, nb::handle U,
                     nb::handle Y, nb::handle R, nb::handle CVslice, nb::handle Tident) {
    vantrelpid::ExistingLoopData in;
    in.R = record(R, "R");
    in.Y = record(Y, "Y");
    in.U_length = [&] { return py::length(py::asarray(U)); };
    in.Delayc = [&] { return py::float_arg(Delayc, "Delayc"); };
    in.Tident = [&] { return py::float_arg(Tident, "Tident"); };
    in.slice_table = [&] { return py::slice_table(nb::make_tuple(CVslice), nb::int_(0)); };
    in.is_failure = is_failure;
    py::NumpyRandom random;
    const vantrelpid::ExistingLoopResponse r = vantrelpid::legacyloop(in, random);
    nb::object STPRSP = r.identified ? py::array1d(r.STPRSP) : nb::object(nb::list());
    return nb::make_tuple(STPRSP, nb::list(), nb::list(), nb::list(), nb::str(r.Message.c_str()));
}

}  // namespace

NB_MODULE(legacyloop, m) {
    py::init_module(m);
    nb::module_::import_("vantrelpid.tools.mimofit");
    m.def("legacyloop", &legacyloop, "Ac"_a, "Bc"_a, "Delayc"_a, "CV_INT"_a, "U"_a, "Y"_a, "R"_a, "CVslice"_a,
          "Tident"_a,
          "legacyloop(Ac, Bc, Delayc, CV_INT, U, Y, R, CVslice, Tident)\n"
          "    -> (STPRSP, STPOP, LOADRSP, LOADOP, Message)\n\n"
          "Identify the existing loop from its set-point record R to its PV record Y (sampled\n"
          "every Tident time units, both cut to the length of the OP record U if it is shorter),\n"
          "with the dead time round(Delayc / Tident) samples and the slice table CVslice of\n"
          "stretches not to use. STPRSP: the loop's response to a unit set-point step (3000\n"
          "samples), from the identified model with its poles inside radius 0.99 and its gain\n"
          "set to 1. STPOP, LOADRSP, LOADOP: always empty lists. Message: \"ok\", \"SP moves too\n"
          "little, result may be poor\" (a warning), or one of \"SP does not move, no result\",\n"
          "\"SP and PV almost 100% correlated, no result\", \"PV does not move, no result\",\n"
          "\"Identification failed\" with STPRSP empty. Ac, Bc and CV_INT are not used. Seeds\n"
          "numpy's global generator when the identification runs.");
}
