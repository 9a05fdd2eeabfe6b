#pragma once
// The interpreter's arithmetic and formatting on Python objects.
//
// A `Number` holds any Python object, and its operators are the interpreter's
// number protocol: `a * b` is PyNumber_Multiply, what `a * b` does in Python
// code. Nothing passes through a C++ type on the way, so
//   - Python ints stay ints (exact and unbounded) and bools count as ints:
//     Number(True) * Number(3) is the int 3, Number(7) / Number(2) the float 3.5;
//   - Python ints and floats raise ZeroDivisionError for a zero divisor;
//   - a numpy scalar anywhere in a chain brings numpy's rules and type:
//     numpy.float64(1) / 0 is inf, with numpy's RuntimeWarning, and the chain
//     stays numpy.float64 (numpy.float32 stays float32 under numpy's rules);
//   - any other object takes part through its own operators (and raises the
//     interpreter's TypeError where it has none).
// Errors are the interpreter's, thrown as nb::python_error.
//
// Use it where a result must be exactly what the same expression gives in
// Python: values returned to the caller in the caller's numeric type, and
// values shown as text. Where the numerics run in the core on doubles, convert
// the arguments once (float_arg) instead.
//
// The formatting functions are Python's own (format(), the % operator,
// str()), so their output is the interpreter's byte for byte: correctly
// rounded, "nan" for every NaN, "-0.000" for a negative zero.

#include <nanobind/nanobind.h>

#include <concepts>
#include <string_view>

namespace vantrelpid::py {

namespace nb = nanobind;

class Number {
public:
    // A Python int or float of the value.
    template <std::integral T>
    explicit Number(T value) : object_(nb::int_(static_cast<long long>(value))) {}
    template <std::floating_point T>
    explicit Number(T value) : object_(nb::float_(static_cast<double>(value))) {}
    // The object itself, whatever it is (borrowed, or taken over).
    explicit Number(nb::handle value) : object_(nb::borrow(value)) {}
    explicit Number(nb::object&& value) : object_(std::move(value)) {}

    const nb::object& object() const { return object_; }

    // a + b, a - b, a * b, a / b (true division), -a, abs(a).
    friend Number operator+(const Number& a, const Number& b);
    friend Number operator-(const Number& a, const Number& b);
    friend Number operator*(const Number& a, const Number& b);
    friend Number operator/(const Number& a, const Number& b);
    friend Number operator-(const Number& a);
    friend Number abs(const Number& a);

    // The truth of Python's comparison (a < b, ...). Unlike
    // PyObject_RichCompareBool there is no identity shortcut: a NaN is not
    // equal to itself.
    friend bool operator<(const Number& a, const Number& b);
    friend bool operator<=(const Number& a, const Number& b);
    friend bool operator>(const Number& a, const Number& b);
    friend bool operator>=(const Number& a, const Number& b);
    friend bool operator==(const Number& a, const Number& b);
    friend bool operator!=(const Number& a, const Number& b);

private:
    nb::object object_;
};

// bool(obj): Python's truth, with the errors of __bool__ and __len__.
bool truth(nb::handle obj);

// format(value, spec), e.g. spec ".3f". The overloads taking str objects
// spare the conversion of fixed texts on every call.
nb::str format(nb::handle value, std::string_view spec);
nb::str format(nb::handle value, nb::handle spec);

// format_string % value: printf-style formatting as the % operator does it
// (a tuple value is the argument list, a mapping serves %(name)s).
nb::str percent(std::string_view format_string, nb::handle value);
nb::str percent(nb::handle format_string, nb::handle value);

// str(value).
nb::str text(nb::handle value);

// a + b of two str objects.
nb::str concat(nb::handle a, nb::handle b);

// A str of UTF-8 text.
nb::str str_of(std::string_view utf8);

}  // namespace vantrelpid::py
