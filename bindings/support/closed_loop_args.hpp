#pragma once
// Arguments of the closed-loop simulators: the PID vector [K, Ti, Td], the
// form code, and the two-number shape of a size matrix, with the errors
// Python's own unpacking raises.

#include <nanobind/nanobind.h>

#include <optional>
#include <string>
#include <utility>

#include "vantrelpid/sim/controller.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

// `len(PID) != 3` (TypeError when PID has no length) gives nullopt; else
// `K, Ti, Td = PID`, each a real number.
std::optional<sim::PidParameters> pid_of_three(nb::handle PID);

// `K, Ti, Td = PID` with Python's unpacking errors (TypeError for a
// non-iterable, ValueError for another count), each a real number.
sim::PidParameters unpack_pid(nb::handle PID);

// The form code to compare: the text of a str. Anything else is no code,
// given as the empty string, which none of the ten codes equals.
std::string form_code(nb::handle Type);

// `ny, nu = numpy.asarray(x).shape` with Python's unpacking errors.
std::pair<Index, Index> shape_of_two(nb::handle x);

}  // namespace vantrelpid::py
