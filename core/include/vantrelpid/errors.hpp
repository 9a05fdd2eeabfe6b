#pragma once
// Typed errors of the core. Each carries the exact message the user sees;
// the bindings map each type onto one Python exception class.

#include <stdexcept>
#include <string>

namespace vantrelpid {

// An invalid argument value (Python: ValueError).
class InvalidArgument : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// An argument of the wrong kind (Python: TypeError).
class TypeMismatch : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An index outside its sequence (Python: IndexError).
class OutOfRange : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

// A missing mapping key (Python: KeyError).
class MissingKey : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Division by an exact zero where Python's arithmetic raises (ZeroDivisionError).
class DivisionByZero : public std::domain_error {
public:
    using std::domain_error::domain_error;
};

// A number beyond what the int64 arithmetic can hold (OverflowError).
class Overflow : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

// A failed linear-algebra operation (numpy.linalg.LinAlgError).
class LinAlgError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failed assertion-style argument check (AssertionError).
class AssertionFailure : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

}  // namespace vantrelpid
