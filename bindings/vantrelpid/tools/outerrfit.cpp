// vantrelpid.tools.outerrfit: output-error fit of one input/output record.

#include <nanobind/stl/string.h>

#include <string>
#include <vector>

#include "support/module.hpp"
#include "support/signals.hpp"
#include "vantrelpid/fit/outerrfit.hpp"

namespace py = vantrelpid::py;

namespace {

// np.array(x) of one record, which must be one-dimensional and not complex.
vantrelpid::Vector record(nb::handle x, const char* name) {
    nb::object a = py::array_as(x, nullptr);
    if (py::ndim(a) != 1) py::raise_value_error("U and Y must be one-dimensional arrays");
    py::reject_complex(a, name);
    return py::vector_from(a);
}

// `na, nb = nn` with Python's unpacking errors; the orders must be integers.
vantrelpid::OutputErrorOrders orders(nb::handle nn) {
    nb::object it = nb::steal(PyObject_GetIter(nn.ptr()));
    if (!it.is_valid()) {
        PyErr_Clear();
        const std::string type = nb::cast<std::string>(nb::handle(Py_TYPE(nn.ptr())).attr("__name__"));
        py::raise_type_error("cannot unpack non-iterable " + type + " object");
    }
    std::vector<nb::object> items;
    while (items.size() < 3) {
        nb::object item = nb::steal(PyIter_Next(it.ptr()));
        if (!item.is_valid()) {
            if (PyErr_Occurred()) throw nb::python_error();
            break;
        }
        items.push_back(item);
    }
    if (items.size() > 2) py::raise_value_error("too many values to unpack (expected 2)");
    if (items.size() < 2) {
        py::raise_value_error("not enough values to unpack (expected 2, got " + std::to_string(items.size()) +
                              ")");
    }
    return {py::index_arg(items[0]), py::index_arg(items[1])};
}

nb::tuple outerrfit(nb::handle U, nb::handle Y, nb::handle nn, nb::handle Delay, nb::handle iter) {
    const vantrelpid::Vector u = record(U, "U");
    const vantrelpid::Vector y = record(Y, "Y");
    const vantrelpid::OutputErrorOrders n = orders(nn);
    const std::int64_t delay = py::index_arg(Delay);
    const std::int64_t iterations = py::index_arg(iter);
    const vantrelpid::OutputErrorModel model = vantrelpid::outerrfit(u, y, n, delay, iterations, py::PythonSignals());
    return nb::make_tuple(py::array1d(model.Ap), py::array1d(model.Bp));
}

}  // namespace

NB_MODULE(outerrfit, m) {
    py::init_module(m);
    m.def("outerrfit", &outerrfit, "U"_a, "Y"_a, "nn"_a, "Delay"_a, "iter"_a,
          "outerrfit(U, Y, nn, Delay, iter) -> (Ap, Bp)\n\n"
          "Output-error model A(q) y(t) = B(q) u(t - Delay) of the records U and Y, with\n"
          "nn = [na, nb]: Ap = [1, a1, ..., a_na] (stable), Bp = [b0, ..., b_(nb-1)].\n"
          "The ARX fit and its Steiglitz-McBride refinement are each improved by iter\n"
          "Gauss-Newton steps; the run with the smaller output-error variance is returned.");
}
