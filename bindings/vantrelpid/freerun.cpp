// vantrelpid.freerun: the open-loop step and amplitude responses of a
// continuous model with dead time, in the layout of an identification result.

#include "support/module.hpp"
#include "vantrelpid/sim/freerun.hpp"

namespace py = vantrelpid::py;

namespace {

// int(obj), as Python converts it.
nb::object python_int(nb::handle obj) {
    nb::object i = nb::steal(PyNumber_Long(obj.ptr()));
    if (!i.is_valid()) throw nb::python_error();
    return i;
}

Py_ssize_t python_len(nb::handle obj) {
    const Py_ssize_t n = PyObject_Length(obj.ptr());
    if (n < 0) throw nb::python_error();
    return n;
}

nb::object float_list(const vantrelpid::Vector& x) { return py::array1d(x).attr("tolist")(); }

// What print() shows for the numerator Bd with `zeros` leading zeros. An
// array longer than numpy's threshold is shown by its first and last
// `edgeitems` elements around "...", formatted from those elements alone and
// wrapped by their widths; an array with the same edges and one element
// between them, shown with the threshold at 2 edgeitems, gives the same text,
// so a long dead time's zeros are never built. An array that numpy shows
// whole is built and shown.
nb::object numerator_text(std::int64_t zeros, const vantrelpid::Vector& Bd) {
    const nb::module_ np = py::numpy();
    const nb::object options = np.attr("get_printoptions")();
    const nb::object edge = options["edgeitems"];
    const std::int64_t length = zeros + Bd.size();
    const auto padded = [&](std::int64_t k) { return k < zeros ? 0.0 : Bd(k - zeros); };
    if (!(nb::int_(length) > options["threshold"]) || !PyLong_CheckExact(edge.ptr()) ||
        !(edge > nb::int_(0)) || !(nb::int_(2) * edge < nb::int_(length))) {
        vantrelpid::Vector whole(length);
        for (std::int64_t k = 0; k < length; ++k) whole(k) = padded(k);
        return py::array1d(whole);
    }
    const std::int64_t e = nb::cast<std::int64_t>(edge);
    vantrelpid::Vector edges = vantrelpid::Vector::Zero(2 * e + 1);
    for (std::int64_t k = 0; k < e; ++k) {
        edges(k) = padded(k);
        edges(e + 1 + k) = padded(length - e + k);
    }
    return np.attr("array2string")(py::array1d(edges), "threshold"_a = 2 * e);
}

// The result with its values before the checks, keys in the order of an
// identification result.
nb::dict initial_result(nb::handle Apc, nb::handle Bpc, nb::handle Delayc, nb::handle integral,
                        nb::handle sampletime) {
    nb::dict d;
    d["grade"] = "B";
    d["msg"] = "NA";
    d["integral"] = python_int(integral);
    d["sampletime"] = python_int(sampletime);
    d["op"] = nb::list();
    d["pv"] = nb::list();
    d["delay"] = python_int(Delayc);
    d["apc"] = Apc;
    d["bpc"] = Bpc;
    for (const char* key : {"stp", "frq", "w", "bnd", "sim"}) d[key] = nb::list();
    d["error"] = 0.0;
    return d;
}

nb::dict freerun(nb::handle Apc, nb::handle Bpc, nb::handle Delayc, nb::handle integral, nb::handle sampletime) {
    nb::dict d = initial_result(Apc, Bpc, Delayc, integral, sampletime);
    vantrelpid::OpenLoopArguments args;
    args.Apc_length = python_len(Apc);
    args.Bpc_length = python_len(Bpc);
    args.integral_is_one = args.Apc_length == vantrelpid::kOpenLoopMaxCoefficients && py::equals(integral, 1);
    args.first_numerator_nonzero = [&] { return !py::equals(py::item(Bpc, 0), 0); };
    if (const char* message = vantrelpid::open_loop_check(args)) {
        d["msg"] = message;
        return d;
    }

    const vantrelpid::OpenLoopResponse r = vantrelpid::freerun(
        py::polynomial(Apc, "Apc"), py::polynomial(Bpc, "Bpc"), py::float_arg(Delayc, "Delayc"),
        py::float_arg(sampletime, "sampletime"));
    nb::module_::import_("builtins").attr("print")("Bd = ", numerator_text(r.Delay, r.Bd), ", Ad = ",
                                                   py::array1d(r.Ad), ", dt = ", sampletime);
    d["stp"] = float_list(r.stp);
    d["frq"] = float_list(r.frq);
    d["w"] = float_list(r.w);
    d["msg"] = "OK";
    return d;
}

}  // namespace

NB_MODULE(freerun, m) {
    py::init_module(m);
    m.def("freerun", &freerun, "Apc"_a, "Bpc"_a, "Delayc"_a, "integral"_a, "sampletime"_a,
          "freerun(Apc, Bpc, Delayc, integral, sampletime) -> dict\n\n"
          "The open-loop response of Bpc(s)/Apc(s) e^(-Delayc s) (descending powers of s, equal\n"
          "lengths of at most 3, Bpc[0] == 0), always without an integrator, whatever integral\n"
          "says. Held with the zero-order hold at the sample time, the dead time as\n"
          "floor(Delayc / sampletime) samples. The dictionary has the keys of an identification\n"
          "result: stp the 3000-sample unit-step response, frq its amplitude at the 75\n"
          "frequencies w = pi logspace(-4, 0, 75) (radians per sample), grade \"B\", msg \"OK\" or\n"
          "the failed check's message; integral, sampletime and delay (Delayc) as int(); apc and\n"
          "bpc the objects passed. Prints the discrete model.");
}
