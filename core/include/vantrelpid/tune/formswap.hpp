#pragma once
// Conversion between the non-interacting (ideal) and the interacting
// (series) PID forms
//
//     K (1 + 1/(Ti s) + Td s)  =  K' (1 + 1/(Ti' s)) (1 + Td' s).
//
// Expanding the series form gives K = K' (Ti' + Td')/Ti', Ti = Ti' + Td',
// Td = Ti' Td'/(Ti' + Td'). Back the other way Ti' and Td' are the roots of
// x^2 - Ti x + Ti Td, real only while Td <= Ti/4, so Td is first limited to
// D = min(Td, Ti/4) (Td on a tie) and, with R = sqrt(1 - 4 D/Ti),
//
//     K' = K/2 (1 + R),  Ti' = Ti/2 (1 + R),  Td' = Ti/2 (1 - R).
//
// The formulas are written once, as templates over the number type, because
// the module evaluates them on the caller's own number objects (Python's
// arithmetic keeps an int an int and raises ZeroDivisionError on a zero
// float, numpy scalars follow numpy's rules). A Number offers + - * / and <,
// construction from int and from double (the constants keep the kind they
// have in the formulas), and `sqrt(x)` and `real(x)` found by
// argument-dependent lookup; for double they are std::sqrt and the identity.
// The operations run in the order written, left to right; a subexpression
// that occurs twice (Ti + Td, 1 + R, Ti/2) is evaluated once.
//
// For C++ callers (the facade) the double versions below follow IEEE
// arithmetic: Ti = 0 gives inf or NaN, a negative radicand NaN.

#include <array>
#include <cmath>
#include <complex>

#include "vantrelpid/sim/controller.hpp"

namespace vantrelpid {

// Non-interacting [K, Ti, Td] -> interacting [K', Ti', Td'] (form code "nonint").
template <class Number>
std::array<Number, 3> interacting_form(const Number& K, const Number& Ti, const Number& Td) {
    using std::real;
    using std::sqrt;
    const Number quarter = Number(0.25) * Ti;
    const Number D = quarter < Td ? quarter : Td;
    const Number R = sqrt(Number(1) - Number(4) * D / Ti);
    const Number one_plus_R = Number(1) + R;
    const Number half_Ti = Ti / Number(2);
    return {real(K / Number(2) * one_plus_R), real(half_Ti * one_plus_R), real(half_Ti * (Number(1) - R))};
}

// Interacting [K', Ti', Td'] -> non-interacting [K, Ti, Td] (form code "int").
template <class Number>
std::array<Number, 3> noninteracting_form(const Number& K, const Number& Ti, const Number& Td) {
    const Number Tin = Ti + Td;
    return {K * Tin / Ti, Tin, Ti * Td / Tin};
}

sim::PidParameters interacting_form(const sim::PidParameters& noninteracting);
sim::PidParameters noninteracting_form(const sim::PidParameters& interacting);

}  // namespace vantrelpid
