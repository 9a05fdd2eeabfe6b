// vantrelpid.frontdesk: the host's entry points to identification and tuning,
// and three small helpers it calls directly.
//
// The functions keep the interpreter's semantics where the host relies on
// them: int() truncation of the sample time, equality tests of the speed,
// Python indexing in resample_data. Nothing is caught: every exception of a
// called module reaches the host unchanged.

#include <nanobind/stl/string.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "support/call_record.hpp"
#include "support/module.hpp"
#include "support/pyarith.hpp"
#include "support/signals.hpp"
#include "vantrelpid/facade/tuning_request.hpp"
#include "vantrelpid/pynum.hpp"

namespace py = vantrelpid::py;
namespace fd = vantrelpid::facade;
namespace sim = vantrelpid::sim;
using vantrelpid::IntegratingFlag;
using vantrelpid::py::Number;

namespace {

constexpr const char* kSampleTimeTooSmall = "Sample time too small (< 1)";

// Python's own conversions; a failure raises the pending error.
nb::object checked(PyObject* result) {
    if (result == nullptr) throw nb::python_error();
    return nb::steal(result);
}
nb::object int_of(nb::handle obj) { return checked(PyNumber_Long(obj.ptr())); }
nb::object float_of(nb::handle obj) { return checked(PyNumber_Float(obj.ptr())); }
nb::list one_element(nb::handle obj) {
    nb::list l;
    l.append(obj);
    return l;
}
// The exact status "OK" (a str equal to it).
bool is_ok(nb::handle message) {
    const int r = PyObject_RichCompareBool(message.ptr(), nb::str("OK").ptr(), Py_EQ);
    if (r < 0) throw nb::python_error();
    return r == 1;
}

// numpy's flatten() then tolist(): a plain list of Python numbers.
nb::object as_list(nb::handle obj) { return py::asarray(obj).attr("flatten")().attr("tolist")(); }

// A global name of this module, looked up per call as Python looks up the
// names a module imported.
nb::object module_name(const char* name) { return nb::module_::import_("vantrelpid.frontdesk").attr(name); }

// loopfit's 20 results, unpacked as Python unpacks a sequence.
constexpr std::size_t kLoopfitResults = 20;
// Positions of the results that identify reads (Apc_tn and Bpc_tn, 8 and 9, are not used).
constexpr std::size_t kApc = 0, kBpc = 1, kDelayc = 2, kSTP = 3, kFRQ = 4, kBND = 5, kGrade = 6, kW = 7,
                      kYsim = 10, kYerror = 11, kApc1 = 12, kBpc1 = 13, kSTP1 = 14, kFRQ1 = 15, kBND1 = 16,
                      kYsim1 = 17, kYerror1 = 18, kMessage = 19;

nb::tuple unpack(nb::handle results, std::size_t count) {
    nb::tuple values = nb::tuple(checked(PySequence_Tuple(results.ptr())));
    if (values.size() < count)
        py::raise_value_error("not enough values to unpack (expected " + std::to_string(count) + ", got " +
                              std::to_string(values.size()) + ")");
    if (values.size() > count)
        py::raise_value_error("too many values to unpack (expected " + std::to_string(count) + ")");
    return values;
}

nb::dict identify(nb::handle op, nb::handle pv, nb::handle slice, nb::handle integral, nb::handle delay,
                  nb::handle sampletime, nb::handle oneStOrder) {
    const nb::object flag = int_of(integral);
    const nb::object Ts = int_of(sampletime);
    // A sample time that truncates below 1 is refused before loopfit records anything.
    if (Number(Ts) < Number(1)) py::raise_value_error(kSampleTimeTooSmall);

    nb::dict result;
    result["grade"] = nb::none();
    result["msg"] = nb::none();
    result["integral"] = flag;
    result["sampletime"] = Ts;
    result["op"] = nb::list();
    result["pv"] = nb::list();
    result["delay"] = -1;
    for (const char* key : {"apc", "bpc", "stp", "frq", "w", "bnd", "sim"}) result[key] = nb::list();
    result["error"] = 0.0;

    const nb::object U = py::array_as(op, "float").attr("reshape")(-1, 1);
    const nb::object Y = py::array_as(pv, "float").attr("reshape")(-1, 1);
    const nb::tuple r = unpack(module_name("loopfit")(U, Y, delay, one_element(flag), one_element(slice),
                                                      float_of(Ts), "export_file"_a = true),
                               kLoopfitResults);

    const nb::object message = r[kMessage];
    result["grade"] = py::text(r[kGrade]);
    result["msg"] = py::text(message);
    result["op"] = as_list(U);
    result["pv"] = as_list(Y);
    if (!is_ok(message)) return result;
    result["delay"] = int_of(r[kDelayc]);
    result["w"] = as_list(r[kW]);
    const bool first_order = py::truth(oneStOrder);
    result["apc"] = as_list(r[first_order ? kApc1 : kApc]);
    result["bpc"] = as_list(r[first_order ? kBpc1 : kBpc]);
    result["stp"] = as_list(r[first_order ? kSTP1 : kSTP]);
    result["frq"] = as_list(r[first_order ? kFRQ1 : kFRQ]);
    result["bnd"] = as_list(r[first_order ? kBND1 : kBND]);
    result["sim"] = as_list(r[first_order ? kYsim1 : kYsim]);
    result["error"] = py::item(as_list(r[first_order ? kYerror1 : kYerror]), 0);
    return result;
}

// The closed-loop time constant: delay + factor * apc[0], ten times that
// for an integrating process, with factor 1.2 (speed == 0, medium), 0.6
// (speed == 1, fast) or 3.0 (anything else, slow).
double calc_tcl(nb::handle apc, nb::handle delay, nb::handle integral, nb::handle speed) {
    const Number lag(py::item(apc, 0));
    const double factor = Number(speed) == Number(0) ? 1.2 : Number(speed) == Number(1) ? 0.6 : 3.0;
    Number tcl = Number(delay) + Number(factor) * lag;
    if (py::truth(integral)) tcl = tcl * Number(10);
    return nb::cast<double>(float_of(tcl.object()));
}

// Every sample-th element of data from the first, one look-up per element of
// data: positions beyond the end are skipped, a negative one reads from the end.
nb::list resample_data(nb::handle data, nb::handle sample) {
    nb::list out;
    Number position(0);
    const Py_ssize_t n = PyObject_Length(data.ptr());
    if (n < 0) throw nb::python_error();
    for (Py_ssize_t k = 0; k < n; ++k) {
        if (position < Number(nb::len(data))) out.append(py::item(data, position.object()));
        position = position + Number(sample);
    }
    return out;
}

// False when the lower-cased name contains "nonint".
bool is_controller_interactive(nb::handle controllertype) {
    const nb::object lower = controllertype.attr("lower")();
    const int r = PySequence_Contains(lower.ptr(), nb::str("nonint").ptr());
    if (r < 0) throw nb::python_error();
    return r == 0;
}

// A number for the refusal checks: the value of a real number, NaN (refused)
// for anything else.
double number_or_nan(nb::handle obj) {
    return py::is_real_number(obj) ? py::float_arg(obj, "") : std::numeric_limits<double>::quiet_NaN();
}

// numpy.asarray(obj) flattened to float64, read as one polynomial when
// `polynomial` names it; a list of floats, as identify returns them, is read
// directly.
vantrelpid::Vector vector_of(nb::handle obj, const char* polynomial = nullptr) {
    if (PyList_CheckExact(obj.ptr())) {
        const Py_ssize_t n = PyList_GET_SIZE(obj.ptr());
        vantrelpid::Vector v(n);
        Py_ssize_t k = 0;
        for (; k < n && PyFloat_CheckExact(PyList_GET_ITEM(obj.ptr(), k)); ++k)
            v(k) = PyFloat_AS_DOUBLE(PyList_GET_ITEM(obj.ptr(), k));
        if (k == n) return v;
    }
    return polynomial ? py::polynomial(obj, polynomial) : py::vector(obj);
}

// The tuning and simulation steps of a request live in this module; each
// records its inputs, as it receives them, before it runs.
constexpr const char* kThisModule = "vantrelpid.frontdesk";

void record_tuning(const fd::LoopModel& loop, nb::handle integral, double tcl, double Ts) {
    nb::dict p;
    p["apc"] = py::array1d(loop.apc);
    p["bpc"] = py::array1d(loop.bpc);
    p["delay"] = loop.delay;
    p["integral"] = integral;
    p["tcl"] = tcl;
    p["sampletime"] = Ts;
    py::record_call(kThisModule, "knobs", p);
}

void record_simulation(const sim::TunedLoopInput& in, nb::handle integral) {
    const sim::PidParameters pid = sim::shown_controller(in.controller, in.Type);
    nb::dict p;
    p["apc"] = py::array1d(in.Apc);
    p["bpc"] = py::array1d(in.Bpc);
    p["delay"] = in.Delay;
    p["bnd"] = py::array1d(in.BND);
    p["integral"] = integral;
    p["PID"] = py::array1d(vantrelpid::Vector{{pid.K, pid.Ti, pid.Td}});
    p["Type"] = nb::str(in.Type.data(), in.Type.size());
    p["sampletime"] = in.Ts;
    p["w"] = py::array1d(in.w);
    p["SPLLAG"] = sim::kTunedLoopSetpointLeadLag;
    py::record_call(kThisModule, "mainsim", p);
}

// x[:n] as a list of Python floats, with Python's slice rules.
nb::list first_samples(const std::optional<vantrelpid::Vector>& x, std::int64_t n) {
    const auto bounds = vantrelpid::pynum::clip_slice(0, n, x->size());
    nb::list out = nb::steal<nb::list>(PyList_New(bounds.length()));
    if (!out.is_valid()) throw nb::python_error();
    for (std::int64_t k = 0; k < bounds.length(); ++k) {
        PyObject* value = PyFloat_FromDouble((*x)(bounds.start + k));
        if (value == nullptr) throw nb::python_error();
        PyList_SET_ITEM(out.ptr(), k, value);  // the list takes the reference
    }
    return out;
}

nb::dict pidTuning(nb::handle apc, nb::handle bpc, nb::handle bnd, nb::handle w, nb::handle delay,
                   nb::handle integral, nb::handle sampletime, nb::handle tcl, nb::handle oprange,
                   nb::handle sprange, nb::handle dcstype, nb::handle piOnly) {
    // The vendor name first, then the refusals, then the chain.
    const nb::object forms = module_name("VendorForms")();
    const std::string type = nb::cast<std::string>(forms.attr("get_controller_type")(dcstype));
    const fd::TuningRequestNumbers numbers{number_or_nan(tcl), number_or_nan(oprange), number_or_nan(sprange),
                                           number_or_nan(delay), number_or_nan(sampletime)};
    fd::check_tuning_request(numbers);

    // No frequencies or no bound: the default grid, where the curve is 0.
    vantrelpid::Vector W, BND;
    if (!py::truth(w) || !py::truth(bnd)) {
        fd::RobustnessGrid grid = fd::default_grid();
        W = std::move(grid.w);
        BND = std::move(grid.BND);
    } else {
        W = vector_of(w);
        BND = vector_of(bnd);
    }
    const fd::LoopModel loop{vector_of(apc, "apc"), vector_of(bpc, "bpc"), numbers.delay,
                             py::integrating_flag(integral)};
    record_tuning(loop, integral, numbers.tcl, numbers.sampletime);
    const fd::TunedRows rows = fd::tune(loop, numbers.tcl);

    // The vendor texts of float64 values, whose zero divisors give "inf" and "nan".
    const sim::PidParameters& s = rows.interacting;
    const sim::PidParameters& n = rows.tuning.setpoint;
    const nb::object vendor =
        forms.attr("calculate")(dcstype, py::float64(s.K), py::float64(s.Ti), py::float64(s.Td), py::float64(n.K),
                                py::float64(n.Ti), py::float64(n.Td), oprange, sprange, piOnly, "sec");

    const py::PythonSignals signals;
    const sim::TunedLoopInput simulation =
        fd::simulation_input(loop, rows, py::truth(piOnly), type, numbers.sampletime, BND, W, signals);
    record_simulation(simulation, integral);
    const sim::LoopsimResult r = sim::tuned_loop_responses(simulation);
    // The responses cut to N samples, the vendor's keys after them.
    nb::dict result;
    result["msg"] = r.Message;
    if (r.Message != sim::kStatusOK) return result;
    const std::int64_t N = fd::response_length(numbers.tcl);
    result["usp"] = first_samples(r.Usp, N);
    result["uld"] = first_samples(r.Uld, N);
    result["robust"] = first_samples(r.Robust, r.Robust->size());
    result["newloadres"] = first_samples(r.Yld, N);
    result["newres"] = first_samples(r.Ysp, N);
    for (const auto& [key, vendor_key] : {std::pair{"p", "pv"}, {"i", "iv"}, {"d", "dv"}, {"pname", "pname"},
                                          {"iname", "iname"}, {"dname", "dname"}, {"latex", "latex"}})
        result[key] = py::item(vendor, nb::str(vendor_key));
    if (PyDict_Update(result.ptr(), vendor.ptr()) < 0) throw nb::python_error();
    return result;
}

}  // namespace

NB_MODULE(frontdesk, m) {
    py::init_module(m);
    py::load_package_version();
    nb::module_::import_("numpy");
    m.attr("VendorForms") = nb::module_::import_("vantrelpid.vendorforms").attr("VendorForms");
    m.attr("loopfit") = nb::module_::import_("vantrelpid.loopfit").attr("loopfit");
    nb::module_::import_("vantrelpid.formswap");
    m.def("is_controller_interactive", &is_controller_interactive, "controllertype"_a,
          "is_controller_interactive(controllertype) -> bool\n\n"
          "False when controllertype.lower() contains \"nonint\" (a non-interacting form),\n"
          "True otherwise.");
    m.def("resample_data", &resample_data, "data"_a, "sample"_a,
          "resample_data(data, sample) -> list\n\n"
          "The elements of data at positions 0, sample, 2 sample, ... (one look-up per\n"
          "element of data; positions past the end are skipped, negative ones index from\n"
          "the end as Python does).");
    m.def("calc_tcl", &calc_tcl, "apc"_a, "delay"_a, "integral"_a, "speed"_a,
          "calc_tcl(apc, delay, integral, speed) -> float\n\n"
          "Closed-loop time constant Tcl = delay + f apc[0], times 10 when integral is true,\n"
          "with f = 1.2 for speed == 0 (medium), 0.6 for speed == 1 (fast) and 3.0\n"
          "otherwise (slow, speed -1).");
    m.def("identify", &identify, "op"_a, "pv"_a, "slice"_a, "integral"_a, "delay"_a, "sampletime"_a, "oneStOrder"_a,
          "identify(op, pv, slice, integral, delay, sampletime, oneStOrder) -> dict\n\n"
          "Identify one loop from its OP and PV samples with loopfit (recorded to\n"
          "export/debug/p_loopfit.pkl and m_loopfit.mat). slice: the [first, last] rows of\n"
          "samples not to use; integral: 1 for an integrating PV; delay: the dead time, < 0\n"
          "to estimate it; sampletime: truncated by int(), at least 1 (else ValueError\n"
          "\"Sample time too small (< 1)\"). Returns the keys grade, msg, integral,\n"
          "sampletime, op, pv, delay, apc, bpc, stp, frq, w, bnd, sim, error as plain Python\n"
          "values; with msg \"OK\" the model keys hold the full model, or the first-order one\n"
          "when oneStOrder is true; otherwise delay is -1, the lists empty and error 0.0.");
    m.def("pidTuning", &pidTuning, "apc"_a, "bpc"_a, "bnd"_a, "w"_a, "delay"_a, "integral"_a, "sampletime"_a,
          "tcl"_a, "oprange"_a, "sprange"_a, "dcstype"_a, "piOnly"_a,
          "pidTuning(apc, bpc, bnd, w, delay, integral, sampletime, tcl, oprange, sprange, dcstype,\n"
          "          piOnly) -> dict\n\n"
          "Tune a PID controller for the loop bpc(s)/apc(s) e^(-delay s) (times 1/s when\n"
          "integral == 1; first or second order, as identify returns it) with the closed-loop\n"
          "time constant tcl, write it in the form of the vendor display name dcstype\n"
          "(see VendorForms; times in \"sec\"), and simulate the loop with the controller\n"
          "that form shows (the PI [K, Ti, 0] when piOnly is true), sampled every sampletime.\n"
          "Returns msg \"OK\", the set-point and load responses of PV (newres, newloadres)\n"
          "and controller output (usp, uld), each cut to int(min(15 tcl, 1000)) samples,\n"
          "robust = bnd |C/(1 + L)| over w (0 where bnd is 0; an empty w or bnd means 75\n"
          "points from 0 to pi and bnd 0), p, i, d, pname, iname, dname, latex, then the\n"
          "vendor keys pv, iv, (pidequ), dv, pidstr. A failed simulation returns {\"msg\":\n"
          "status} alone.\n\n"
          "Refuses, before anything runs or is recorded and in this order: an unknown dcstype\n"
          "(ValueError \"Controller type '<name>' not supported.\"), then with ValueError \"Tcl\n"
          "must be a positive, finite time constant\", \"OP and SP ranges must be positive,\n"
          "finite numbers\" (oprange, sprange), \"Delay must be a finite dead time of at least\n"
          "0\" and \"Sample time must be a positive, finite number\". apc and bpc are single\n"
          "polynomials (flat, a row or a column). Each step records its inputs, as it\n"
          "receives them, before it runs: the tuning to export/debug/p_knobs.pkl and\n"
          "m_knobs.mat (apc, bpc, delay, integral, tcl, sampletime), the simulation to\n"
          "export/debug/p_mainsim.pkl and m_mainsim.mat (apc, bpc, delay, bnd, integral, the\n"
          "PID simulated, its Type, sampletime, w, SPLLAG 0.5).");
}
