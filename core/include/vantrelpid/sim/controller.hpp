#pragma once
// Controller polynomials of the ten PID form codes.
//
// Every closed loop of the package (the three simulators and the cascade
// model) writes its PID controller as a two-degree-of-freedom law in s,
//
//     u = (N1 / D) r - (N2 / D) y,
//
// with r the set-point, y the measured value and u the controller output.
// From [K, Ti, Td] the building blocks are (descending powers of s)
//
//     common denominator  D  = [0.1 Ti Td, Ti, 0]            = Ti s (0.1 Td s + 1)
//     ideal numerator        = K [1.1 Ti Td, Ti + 0.1 Td, 1]  -> K (1 + 1/(Ti s) + Td s/(0.1 Td s + 1))
//     series numerator       = K [Ti Td, Ti + Td, 1]          -> K (1 + 1/(Ti s)) (Td s + 1)/(0.1 Td s + 1)
//     PI numerator           = K [0.1 Ti Td, Ti + 0.1 Td, 1]  -> K (1 + 1/(Ti s))
//     I numerator            = K [0.1 Td, 1]                  -> K / (Ti s)     (two coefficients)
//
// and the codes combine them:
//
//     "Nonint A", "Int A"                  N1 = N2 = ideal / series (one numerator)
//     "Nonint B", "Int B"                  N1 = PI,     N2 = ideal / series
//     "Nonint PonP DonE", "Int PonP DonE"  N1 = ideal / series, N2 = PI
//     "Nonint C", "Int C"                  N1 = I,      N2 = ideal / series
//
// The Foxboro codes replace the derivative filter by F(s) = 0.5 tau^2 s^2 + tau s + 1
// and weight the set-point with the lead-to-lag ratio SPLLAG:
//
//     D  = Ti s F(s)                 = [0.5 Ti tau^2, Ti tau, Ti, 0]
//     N1 = K (SPLLAG Ti s + 1) F(s)  = K [0.5 SPLLAG Ti tau^2, SPLLAG Ti tau + 0.5 tau^2, SPLLAG Ti + tau, 1]
//     N2 = K [0, Ti Td, Ti, 1]       ("Fox Nonint", tau = Td / 10)
//     N2 = K [0, Ti Td, Ti + Td, 1]  ("Fox Int", tau by variant)
//
// The "Fox Int" filter constant is the one point where the users differ:
// the plain tau = Ti Td / (10 (Ti + Td)) or the weighted
// tau = 0.33 Ti Td / (10 (Ti + 0.33 Td)). A zero divisor there raises
// DivisionByZero, as the formula does on Python numbers.
//
// Codes are compared as exact strings (case and blanks included) in the order
// above; anything else raises UnknownPidType. The values of K, Ti and Td are
// not checked here: the users check them before they build a controller.

#include <string_view>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/types.hpp"

namespace vantrelpid::sim {

// A form code outside the ten. It is an InvalidArgument (ValueError); each
// user rethrows it with its own wording, `kPidTypeUnknown` or `kUnknownPidType`.
class UnknownPidType : public InvalidArgument {
public:
    UnknownPidType() : InvalidArgument("Unknown PID type") {}
};

// The two wordings of the unknown-code failure.
inline constexpr const char* kPidTypeUnknown = "PID type unknown";  // loopsim, tracksim
inline constexpr const char* kUnknownPidType = "Unknown PID type";  // feedsim, twotier

enum class FoxIntFilter {
    Plain,     // tau = Ti Td / (10 (Ti + Td))
    Weighted,  // tau = 0.33 Ti Td / (10 (Ti + 0.33 Td))
};

struct PidParameters {
    double K = 0.0;
    double Ti = 0.0;
    double Td = 0.0;
};

struct ControllerPolynomials {
    // True for "Nonint A" and "Int A": one numerator N1 == N2 acting on the
    // error, which the users close as a one-degree-of-freedom loop.
    bool single_numerator = false;
    Vector D;   // three coefficients (four for the Fox codes)
    Vector N1;  // set-point numerator (two coefficients for the C codes)
    Vector N2;  // PV numerator
};

// The polynomials of `type` for `pid`; `spllag` is read by the Fox codes only.
ControllerPolynomials controller_polynomials(const PidParameters& pid, std::string_view type,
                                             double spllag, FoxIntFilter fox_int_filter);

// True when `type` is one of the ten codes.
bool is_pid_form_code(std::string_view type);

// True for "Fox Nonint" and "Fox Int", the only codes whose set-point path
// reads SPLLAG: the users read the argument for these codes only.
bool reads_spllag(std::string_view type);

}  // namespace vantrelpid::sim
