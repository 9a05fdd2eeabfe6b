#include "support/closed_loop_args.hpp"

#include <nanobind/stl/string.h>

#include <vector>

#include "support/convert.hpp"
#include "support/translate.hpp"
#include "support/pyargs.hpp"
#include "vantrelpid/sim/closed_loop.hpp"

namespace vantrelpid::py {

namespace {

// Python's ValueError for unpacking `got` values (or more, when `got` is
// unknown) into `expected` names.
[[noreturn]] void raise_unpacking(std::size_t expected, std::size_t got, bool got_known) {
    const std::string want = std::to_string(expected);
    if (got < expected) raise_value_error("not enough values to unpack (expected " + want + ", got " +
                                          std::to_string(got) + ")");
#if PY_VERSION_HEX >= 0x030E0000
    if (got_known) raise_value_error("too many values to unpack (expected " + want + ", got " + std::to_string(got) + ")");
#else
    (void)got_known;
#endif
    raise_value_error("too many values to unpack (expected " + want + ")");
}

std::string python_type_name(nb::handle obj) {
    return nb::cast<std::string>(nb::handle(Py_TYPE(obj.ptr())).attr("__name__"));
}

}  // namespace

std::optional<PidItems> pid_of_three(nb::handle PID) {
    const Py_ssize_t n = PyObject_Length(PID.ptr());
    if (n < 0) throw nb::python_error();
    if (n != 3) return std::nullopt;
    return unpack_pid(PID);
}

std::optional<std::string> pid_refusal(const PidItems& PID) {
    if (equals(PID[0], 0)) return sim::kStatusKZero;
    if (float_arg(PID[1], "Ti") < 0.0) return sim::kStatusTiNegative;
    if (float_arg(PID[2], "Td") < 0.0) return sim::kStatusTdNegative;
    return std::nullopt;
}

sim::PidParameters pid_values(const PidItems& PID) {
    return {float_arg(PID[0], "K"), float_arg(PID[1], "Ti"), float_arg(PID[2], "Td")};
}

PidItems unpack_pid(nb::handle PID) {
    nb::object it = nb::steal(PyObject_GetIter(PID.ptr()));
    if (!it.is_valid()) {
        PyErr_Clear();
        raise_type_error("cannot unpack non-iterable " + python_type_name(PID) + " object");
    }
    std::vector<nb::object> items;
    while (items.size() < 4) {
        nb::object item = nb::steal(PyIter_Next(it.ptr()));
        if (!item.is_valid()) {
            if (PyErr_Occurred()) throw nb::python_error();
            break;
        }
        items.push_back(item);
    }
    if (items.size() != 3) {
        const Py_ssize_t n = PySequence_Check(PID.ptr()) ? PyObject_Length(PID.ptr()) : -1;
        if (n < 0) PyErr_Clear();
        raise_unpacking(3, n < 0 ? items.size() : static_cast<std::size_t>(n), n >= 0);
    }
    return {items[0], items[1], items[2]};
}

std::string form_code(nb::handle Type) {
    if (!PyUnicode_Check(Type.ptr())) return {};
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(Type.ptr(), &size);
    if (text == nullptr) {  // lone surrogates: no code either
        PyErr_Clear();
        return {};
    }
    return std::string(text, static_cast<std::size_t>(size));
}

std::pair<Index, Index> shape_of_two(nb::handle x) {
    const std::vector<Index> s = shape(asarray(x));
    if (s.size() != 2) raise_unpacking(2, s.size(), true);
    return {s[0], s[1]};
}

}  // namespace vantrelpid::py
