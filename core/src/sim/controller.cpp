#include "vantrelpid/sim/controller.hpp"

#include <array>

namespace vantrelpid::sim {
namespace {

Vector coefficients(std::initializer_list<double> c) {
    Vector v(static_cast<Index>(c.size()));
    Index k = 0;
    for (double x : c) v(k++) = x;
    return v;
}

// x / y with Python's refusal of a zero divisor.
double divide(double x, double y) {
    if (y == 0.0) throw DivisionByZero("float division by zero");
    return x / y;
}

Vector common_denominator(const PidParameters& p) { return coefficients({0.1 * p.Ti * p.Td, p.Ti, 0.0}); }
Vector ideal_numerator(const PidParameters& p) {
    return p.K * coefficients({1.1 * p.Ti * p.Td, p.Ti + 0.1 * p.Td, 1.0});
}
Vector series_numerator(const PidParameters& p) {
    return p.K * coefficients({p.Ti * p.Td, p.Ti + p.Td, 1.0});
}
Vector pi_numerator(const PidParameters& p) {
    return p.K * coefficients({0.1 * p.Ti * p.Td, p.Ti + 0.1 * p.Td, 1.0});
}
Vector i_numerator(const PidParameters& p) { return p.K * coefficients({0.1 * p.Td, 1.0}); }

ControllerPolynomials foxboro(const PidParameters& p, double tau, double spllag, double n2_middle) {
    const double tau2 = tau * tau;
    ControllerPolynomials c;
    c.D = coefficients({0.5 * p.Ti * tau2, p.Ti * tau, p.Ti, 0.0});
    c.N1 = p.K * coefficients({0.5 * spllag * p.Ti * tau2, spllag * p.Ti * tau + 0.5 * tau2,
                               spllag * p.Ti + tau, 1.0});
    c.N2 = p.K * coefficients({0.0, p.Ti * p.Td, n2_middle, 1.0});
    return c;
}

ControllerPolynomials two_paths(Vector D, Vector N1, Vector N2) {
    return {false, std::move(D), std::move(N1), std::move(N2)};
}

constexpr std::array<std::string_view, 10> kCodes = {
    "Nonint A", "Int A", "Nonint B", "Int B", "Nonint PonP DonE",
    "Int PonP DonE", "Nonint C", "Int C", "Fox Nonint", "Fox Int",
};

}  // namespace

bool is_pid_form_code(std::string_view type) {
    for (auto code : kCodes)
        if (type == code) return true;
    return false;
}

bool reads_spllag(std::string_view type) { return type == "Fox Nonint" || type == "Fox Int"; }

ControllerPolynomials controller_polynomials(const PidParameters& p, std::string_view type,
                                             double spllag, FoxIntFilter fox_int_filter) {
    if (type == "Nonint A" || type == "Int A") {
        Vector N = type == "Nonint A" ? ideal_numerator(p) : series_numerator(p);
        return {true, common_denominator(p), N, N};
    }
    if (type == "Nonint B") return two_paths(common_denominator(p), pi_numerator(p), ideal_numerator(p));
    if (type == "Int B") return two_paths(common_denominator(p), pi_numerator(p), series_numerator(p));
    if (type == "Nonint PonP DonE")
        return two_paths(common_denominator(p), ideal_numerator(p), pi_numerator(p));
    if (type == "Int PonP DonE")
        return two_paths(common_denominator(p), series_numerator(p), pi_numerator(p));
    if (type == "Nonint C") return two_paths(common_denominator(p), i_numerator(p), ideal_numerator(p));
    if (type == "Int C") return two_paths(common_denominator(p), i_numerator(p), series_numerator(p));
    if (type == "Fox Nonint") return foxboro(p, p.Td / 10.0, spllag, p.Ti);
    if (type == "Fox Int") {
        const double tau = fox_int_filter == FoxIntFilter::Plain
                               ? divide(p.Ti * p.Td, 10.0 * (p.Ti + p.Td))
                               : divide(0.33 * p.Ti * p.Td, 10.0 * (p.Ti + 0.33 * p.Td));
        return foxboro(p, tau, spllag, p.Ti + p.Td);
    }
    throw UnknownPidType();
}

}  // namespace vantrelpid::sim
