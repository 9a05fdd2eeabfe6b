#pragma once
// Arguments of the closed-loop simulators: the PID vector [K, Ti, Td], the
// form code, and the two-number shape of a size matrix, with the errors
// Python's own unpacking raises.

#include <nanobind/nanobind.h>

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "vantrelpid/sim/controller.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid::py {

namespace nb = nanobind;

// `K, Ti, Td = PID`, as given.
using PidItems = std::array<nb::object, 3>;

// `K, Ti, Td = PID` with Python's unpacking errors (TypeError for a
// non-iterable, ValueError for another count).
PidItems unpack_pid(nb::handle PID);

// `len(PID) != 3` (TypeError when PID has no length) gives nullopt; else
// unpack_pid.
std::optional<PidItems> pid_of_three(nb::handle PID);

// The simulators' PID checks, in their order, before any other argument is
// read: "K is 0" when `K == 0` as Python compares it (K is not read as a
// number here, so one that is no number passes, to fail where its
// simulation reads it), then "Ti is negative" and "Td is negative", each read
// as a real number (TypeError otherwise, as Python's comparison with 0 raises).
std::optional<std::string> pid_refusal(const PidItems& PID);

// The three values as real numbers (TypeError naming K, Ti or Td otherwise).
sim::PidParameters pid_values(const PidItems& PID);

// The form code to compare: the text of a str. Anything else is no code,
// given as the empty string, which none of the ten codes equals.
std::string form_code(nb::handle Type);

// `ny, nu = numpy.asarray(x).shape` with Python's unpacking errors.
std::pair<Index, Index> shape_of_two(nb::handle x);

}  // namespace vantrelpid::py
