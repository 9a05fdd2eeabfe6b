#pragma once
// Vendor controller forms: the 33 display names of controller types, the PID
// form code of each, and the 18 parameter forms that write one tuned PID
// controller the way a vendor's PID block expects it to be entered.
//
// A controller arrives in both forms, interacting (series) [p, i, d] and
// non-interacting (ideal) [np, ni, nd], with the output span `oprange`, the
// set-point span `sprange`, a PI flag and the time unit of the times. Each form
// reads one of the two sets, written below as gain g and times ti, td, and
// shows three values:
//
//     gain          g | S(g) | 100 / S(g) | g / 2           S(g) = g * sprange / oprange
//     integral      ti | 1 / ti | g / ti | 10 ti | abs(10 ti / g)
//     derivative    td | g td | 10 td | abs(10 td g)
//
// S turns a gain in engineering units into a gain in spans (the product is
// formed first); 100 / S is the proportional band in percent. The minute rule
// of the Bailey and Honeywell forms divides ti and td by 60 when the unit,
// lower-cased, begins with "s", and shows the unit as "m"; every value derived
// from the times is computed after it.
//
// Texts. F(x) is x with three decimals (Python's format(x, ".3f")); the gain
// text applies `gain_format` ("%.3f" or "%.3f/K") to the gain value. The
// integral and derivative texts are F(value), a blank, the unit piece and the
// form's suffix. The unit piece is " %s" applied to the unit under the minute
// rule (so "0.500  m [reset/min]" shows two blanks), the unit itself for the
// other forms, and "0.1Sec" for Supcon_Standard whatever the unit. For a PI
// controller the derivative text is `zero_format` applied to the unit piece,
// with no value formatted.
//
// Two evaluations share the derivations (`form_values`, a template on the
// number type), so they cannot drift apart:
//   - the binding evaluates them on Python objects with the interpreter's
//     number protocol and formats with Python's own formatting, so ints stay
//     ints, a zero divisor among Python numbers raises ZeroDivisionError and a
//     numpy scalar anywhere in a chain brings numpy's rules and type;
//   - the double path here (`vendor_form_result`, `calculate`) serves C++
//     callers: float64 arithmetic as numpy scalars do it (a zero divisor gives
//     inf or nan, never an exception) and Python's float formatting of the
//     result (`fixed3`: correctly rounded, "nan" whatever the sign bit). For
//     numpy float64 arguments it gives exactly the binding's texts; the tests
//     compare the two over random argument sets. Python ints can differ: their
//     products and quotients are exact beyond 2^53 and their zero has no sign.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrelpid::facade {

// Keys of the vendor result dictionary, in the order they can occur.
inline constexpr const char* kPname = "pname";
inline constexpr const char* kIname = "iname";
inline constexpr const char* kDname = "dname";
inline constexpr const char* kPv = "pv";
inline constexpr const char* kIv = "iv";
inline constexpr const char* kPidequ = "pidequ";
inline constexpr const char* kLatex = "latex";
inline constexpr const char* kDv = "dv";
inline constexpr const char* kPidstr = "pidstr";

enum class ParameterSet { Interacting, NonInteracting };
enum class GainValue { Gain, RangeScaled, ProportionalBand, Halved };
enum class IntegralValue { Time, Reciprocal, GainOverTime, Tenfold, AbsTenfoldOverGain };
enum class DerivativeValue { Time, GainTimesTime, Tenfold, AbsTenfoldTimesGain };
enum class UnitRule {
    AsGiven,  // the unit itself, one blank before it
    Minutes,  // the minute rule; unit piece " %s"
    Tenths,   // "0.1Sec" in place of the unit, which is not read
};

// One vendor parameter form (one method of VendorForms).
struct VendorForm {
    std::string_view method;
    std::string_view pname, iname, dname;
    ParameterSet set;
    GainValue gain;
    IntegralValue integral;
    DerivativeValue derivative;
    UnitRule unit_rule;
    std::string_view gain_format;        // printf-style, one "%.3f"
    std::string_view integral_suffix;    // after the unit piece
    std::string_view derivative_suffix;  // after the unit piece
    std::string_view zero_format;        // printf-style, one "%s" for the unit piece
    std::string_view pidequ;             // empty: the form gives no `pidequ`
    std::string_view latex;              // empty: the form gives no `latex` of its own
};

inline constexpr std::string_view kUnitPiece = " %s";  // under the minute rule
inline constexpr std::string_view kMinutes = "m";
inline constexpr std::string_view kTenths = "0.1Sec";

inline constexpr std::string_view kEquationMatlabParallel = "P + I * (1/s) + D * N / (1 + N * (1/s))";
inline constexpr std::string_view kFormulaSupconEcs700 =
    R"($u(s) = \frac{\mathrm{MVRange}}{\mathrm{SPRange}} \cdot \frac{100}{\mathrm{PB}} \cdot \left(1 + \frac{1}{\mathrm{TI} \cdot s} + \frac{\mathrm{TD} \cdot s}{1 + \frac{\mathrm{TD}}{\mathrm{KD}} \cdot s} \right) \cdot \left[\mathrm{SPT}(s) - y(s)\right]$)";
inline constexpr std::string_view kFormulaGuoDian =
    R"($u(s) = \mathrm{PidGain} \cdot \left(1 + \frac{1}{\mathrm{ResetTime} \cdot s} + \mathrm{DGain} \cdot s\right) \cdot \left[\mathrm{SPT}(s) - y(s)\right]$)";
inline constexpr std::string_view kFormulaMatlabParallel =
    R"($\mathrm{P} + \mathrm{I} \cdot \frac{1}{s} + \frac{\mathrm{D} \cdot \mathrm{N}}{1 + \mathrm{N} \cdot \frac{1}{s}}$)";
inline constexpr std::string_view kFormulaMatlabIdeal =
    R"($\mathrm{P} \cdot \left[1 + \mathrm{I} \cdot \frac{1}{s} + \frac{\mathrm{D} \cdot \mathrm{N}}{1 + \frac{\mathrm{N}}{s}}\right]$)";

// The 18 forms, in the order of the class's methods.
inline constexpr std::array<VendorForm, 18> kVendorForms = [] {
    using enum ParameterSet;
    using enum UnitRule;
    using G = GainValue;
    using I = IntegralValue;
    using D = DerivativeValue;
    constexpr std::string_view kPlain = "%.3f", kPerK = "%.3f/K", kZero = "0 %s";
    // clang-format off
    return std::array<VendorForm, 18>{{
        {"Bailey_classical", "Kp", "Ki", "Kd", Interacting, G::Gain, I::Reciprocal, D::Time, Minutes,
         kPerK, " [reset/min]", " [min]", "0 %s [min]", {}, {}},
        {"Bailey_non_int", "Kp", "Ki", "Kd", NonInteracting, G::Gain, I::GainOverTime, D::GainTimesTime, Minutes,
         kPerK, " /K[reset/min]", " /K[min]", "0 %s /K[min]", {}, {}},
        {"DeltaV_Series_PID_on_E", "Gain", "Tr", "Td", Interacting, G::Gain, I::Time, D::Time, AsGiven,
         kPlain, {}, {}, kZero, {}, {}},
        {"DeltaV_Standard_PID_on_E", "Gain", "Tr", "Td", NonInteracting, G::Gain, I::Time, D::Time, AsGiven,
         kPlain, {}, {}, kZero, {}, {}},
        {"Honeywell_int_A", "K", "T1", "T2", Interacting, G::RangeScaled, I::Reciprocal, D::Time, Minutes,
         kPlain, {}, {}, kZero, {}, {}},
        {"Honeywell_nonint_A", "K", "T1", "T2", NonInteracting, G::RangeScaled, I::Time, D::Time, Minutes,
         kPlain, {}, {}, kZero, {}, {}},
        {"Yokogawa_Centum_PID", "PB", "TI", "TD", NonInteracting, G::ProportionalBand, I::Time, D::Time, AsGiven,
         kPlain, {}, {}, kZero, {}, {}},
        {"Siemens_S7_200", "Kc", "Ti", "Td", NonInteracting, G::Gain, I::Time, D::Time, AsGiven,
         kPlain, {}, {}, kZero, {}, {}},
        {"Interacting_A", "K", "Ti", "Td", Interacting, G::Gain, I::Time, D::Time, AsGiven,
         kPlain, {}, {}, kZero, {}, {}},
        {"Non_interacting_A", "K", "Ti", "Td", NonInteracting, G::Gain, I::Time, D::Time, AsGiven,
         kPlain, {}, {}, kZero, {}, {}},
        {"Foxboro_int", "PBAND", "INT", "DERIV", Interacting, G::ProportionalBand, I::Time, D::Time, AsGiven,
         kPlain, {}, {}, kZero, {}, {}},
        {"Foxboro_non_int", "PBAND", "INT", "DERIV", NonInteracting, G::ProportionalBand, I::Time, D::Time, AsGiven,
         kPlain, {}, {}, kZero, {}, {}},
        {"Supcon_Standard", "K", "Ti", "Td", NonInteracting, G::Halved, I::AbsTenfoldOverGain,
         D::AbsTenfoldTimesGain, Tenths, kPlain, {}, {}, kZero, {}, {}},
        {"Supcon_ECS700", "PB", "TI", "TD", NonInteracting, G::ProportionalBand, I::Time, D::Time, AsGiven,
         kPlain, {}, {}, kZero, {}, kFormulaSupconEcs700},
        {"GuoDianZhiShen_NT_PLUS", "PidGain", "ResetTime", "DGain", NonInteracting, G::Gain, I::Time, D::Time,
         AsGiven, kPlain, {}, {}, kZero, {}, kFormulaGuoDian},
        {"Supcon_FW247", "K", "Ti", "Td", NonInteracting, G::Gain, I::Tenfold, D::Tenfold, AsGiven,
         kPlain, {}, {}, kZero, {}, {}},
        {"Matlab_Parallel", "P", "I", "D", NonInteracting, G::Gain, I::GainOverTime, D::GainTimesTime, AsGiven,
         kPlain, {}, {}, kZero, kEquationMatlabParallel, kFormulaMatlabParallel},
        {"Matlab_Ideal", "P", "I", "D", NonInteracting, G::Gain, I::Reciprocal, D::Time, AsGiven,
         kPlain, {}, {}, kZero, {}, kFormulaMatlabIdeal},
    }};
    // clang-format on
}();

// One display name: the form (a method name of kVendorForms) and the PID form
// code that the response simulation uses for it.
struct DisplayName {
    std::string_view name;
    std::string_view method;
    std::string_view code;
};

// The 33 display names in the order of the `adapters` table. Names are
// matched exactly (case and blanks included); several share one form.
inline constexpr std::array<DisplayName, 33> kDisplayNames{{
    {"ABB Bailey classical", "Bailey_classical", "Int B"},
    {"ABB Bailey non-int", "Bailey_non_int", "Nonint B"},
    {"DeltaV Series PID on E", "DeltaV_Series_PID_on_E", "Int A"},
    {"DeltaV Series PI on E, D on PV", "DeltaV_Series_PID_on_E", "Int B"},
    {"DeltaV Series I on E, PD on PV", "DeltaV_Series_PID_on_E", "Int C"},
    {"DeltaV Standard PID on E", "DeltaV_Standard_PID_on_E", "Nonint A"},
    {"DeltaV Standard PI on E, D on PV", "DeltaV_Standard_PID_on_E", "Nonint B"},
    {"DeltaV Standard I on E, PD on PV", "DeltaV_Standard_PID_on_E", "Nonint C"},
    {"Honeywell int A", "Honeywell_int_A", "Int A"},
    {"Honeywell int B", "Honeywell_int_A", "Int B"},
    {"Honeywell int C", "Honeywell_int_A", "Int C"},
    {"Honeywell non-int A", "Honeywell_nonint_A", "Nonint A"},
    {"Honeywell non-int B", "Honeywell_nonint_A", "Nonint B"},
    {"Honeywell non-int C", "Honeywell_nonint_A", "Nonint C"},
    {"Yokogawa Centum I-PD", "Yokogawa_Centum_PID", "Nonint C"},
    {"Yokogawa Centum PID", "Yokogawa_Centum_PID", "Nonint A"},
    {"Yokogawa Centum PI-D", "Yokogawa_Centum_PID", "Nonint B"},
    {"Siemens S7-200", "Siemens_S7_200", "Nonint A"},
    {"Foxboro int", "Foxboro_int", "Fox Int"},
    {"Foxboro non-int", "Foxboro_non_int", "Fox Nonint"},
    {"Supcon Standard", "Supcon_Standard", "Nonint A"},
    {"Supcon FW247", "Supcon_FW247", "Nonint C"},
    {"Supcon D On PV", "Supcon_Standard", "Nonint B"},
    {"Supcon ECS-700", "Supcon_ECS700", "Nonint A"},
    {"GuoDianZhiShen NT-Plus", "GuoDianZhiShen_NT_PLUS", "Nonint A"},
    {"Interacting A", "Interacting_A", "Int A"},
    {"Interacting B", "Interacting_A", "Int B"},
    {"Interacting C", "Interacting_A", "Int C"},
    {"Non-interacting A", "Non_interacting_A", "Nonint A"},
    {"Non-interacting B", "Non_interacting_A", "Nonint B"},
    {"Non-interacting C", "Non_interacting_A", "Nonint C"},
    {"Matlab Parallel(Discrete)", "Matlab_Parallel", "Nonint A"},
    {"Matlab Ideal(Discrete)", "Matlab_Ideal", "Nonint A"},
}};

// The row of an exact display name, or null.
const DisplayName* find_display_name(std::string_view name);

// The form of a method name; InvalidArgument for a name outside kVendorForms.
const VendorForm& vendor_form(std::string_view method);

// The PID form code of a display name; an unknown name raises InvalidArgument
// "Controller type '<name>' not supported.".
std::string_view controller_type(std::string_view name);

// What one form reads of a controller: the set's gain and times and the spans.
template <typename Number>
struct FormOperands {
    Number gain;
    Number integral_time;
    Number derivative_time;
    Number oprange;
    Number sprange;
};

// The three values a form shows, before formatting.
template <typename Number>
struct FormValues {
    Number gain;
    Number integral;
    Number derivative;
};

// The derivations of the table above, in the order gain, integral,
// derivative, with `in_minutes` the outcome of the minute rule (the times are
// divided by 60 first). Number needs construction from an int, *, / and an
// abs found by argument-dependent lookup (std::abs for double); the oprange
// and sprange operands are read by the range-scaled forms only.
template <typename Number>
FormValues<Number> form_values(const VendorForm& form, FormOperands<Number> x, bool in_minutes) {
    using std::abs;
    if (in_minutes) {
        x.integral_time = x.integral_time / Number(60);
        x.derivative_time = x.derivative_time / Number(60);
    }
    const auto scaled = [&] { return x.gain * x.sprange / x.oprange; };
    FormValues<Number> v{x.gain, x.integral_time, x.derivative_time};
    switch (form.gain) {
        case GainValue::Gain: break;
        case GainValue::RangeScaled: v.gain = scaled(); break;
        case GainValue::ProportionalBand: v.gain = Number(100) / scaled(); break;
        case GainValue::Halved: v.gain = x.gain / Number(2); break;
    }
    switch (form.integral) {
        case IntegralValue::Time: break;
        case IntegralValue::Reciprocal: v.integral = Number(1) / x.integral_time; break;
        case IntegralValue::GainOverTime: v.integral = x.gain / x.integral_time; break;
        case IntegralValue::Tenfold: v.integral = Number(10) * x.integral_time; break;
        case IntegralValue::AbsTenfoldOverGain: v.integral = abs(Number(10) * x.integral_time / x.gain); break;
    }
    switch (form.derivative) {
        case DerivativeValue::Time: break;
        case DerivativeValue::GainTimesTime: v.derivative = x.gain * x.derivative_time; break;
        case DerivativeValue::Tenfold: v.derivative = Number(10) * x.derivative_time; break;
        case DerivativeValue::AbsTenfoldTimesGain: v.derivative = abs(Number(10) * x.derivative_time * x.gain); break;
    }
    return v;
}

// ---- The double path, for C++ callers -------------------------------------

// The arguments of a form (and of `calculate`), as doubles.
struct VendorArguments {
    double p = 0.0, i = 0.0, d = 0.0;     // interacting gain, integral time, derivative time
    double np = 0.0, ni = 0.0, nd = 0.0;  // non-interacting
    double oprange = 0.0, sprange = 0.0;
    bool pi_only = false;
    std::string_view unit = "sec";  // UTF-8 text
};

// The vendor result: (key, text) in the dictionary's insertion order.
using VendorResult = std::vector<std::pair<std::string_view, std::string>>;

// Python's format(x, ".3f") of a float: fixed point, three decimals,
// correctly rounded from the binary value; "inf", "-inf", and "nan" for
// every NaN whatever its sign bit.
std::string fixed3(double x);

// unit.lower().startswith("s") for UTF-8 text: only "s" and "S" lower-case
// to a text beginning with "s".
bool minute_rule_applies(std::string_view unit);

// One form's dictionary: pname, iname, dname, pv, iv, [pidequ], [latex], dv.
VendorResult vendor_form_result(const VendorForm& form, const VendorArguments& args);

// `VendorForms.calculate` on doubles: nullopt for an unknown display name;
// with pi_only the non-interacting values replace p, i, d; then `pidstr`
// ("<pname> = <pv> \n<iname> = <iv> \n<dname> = <dv>") and, where the form
// gave none, an empty `latex` are appended.
std::optional<VendorResult> calculate(std::string_view dcstype, VendorArguments args);

}  // namespace vantrelpid::facade
