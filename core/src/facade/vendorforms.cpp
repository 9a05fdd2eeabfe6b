#include "vantrelpid/facade/vendorforms.hpp"

#include <charconv>
#include <cmath>

#include "vantrelpid/errors.hpp"

namespace vantrelpid::facade {
namespace {

// `format` with its one conversion `spec` ("%s" or "%.3f") replaced by `text`.
std::string substitute(std::string_view format, std::string_view spec, std::string_view text) {
    const std::size_t at = format.find(spec);
    if (at == std::string_view::npos) throw InvalidArgument("vendor form text without " + std::string(spec));
    std::string out(format.substr(0, at));
    out += text;
    out += format.substr(at + spec.size());
    return out;
}

}  // namespace

const DisplayName* find_display_name(std::string_view name) {
    for (const DisplayName& row : kDisplayNames)
        if (row.name == name) return &row;
    return nullptr;
}

const VendorForm& vendor_form(std::string_view method) {
    for (const VendorForm& form : kVendorForms)
        if (form.method == method) return form;
    throw InvalidArgument("Unknown vendor form " + std::string(method));
}

std::string_view controller_type(std::string_view name) {
    const DisplayName* row = find_display_name(name);
    if (row == nullptr) throw InvalidArgument("Controller type '" + std::string(name) + "' not supported.");
    return row->code;
}

std::string fixed3(double x) {
    if (std::isnan(x)) return "nan";
    // Enough for the 309 integer digits of the largest double, the point and
    // three decimals.
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, 3);
    if (error != std::errc{}) throw InvalidArgument("value too long to format");
    return std::string(buffer, end);
}

bool minute_rule_applies(std::string_view unit) { return !unit.empty() && (unit[0] == 's' || unit[0] == 'S'); }

VendorResult vendor_form_result(const VendorForm& form, const VendorArguments& a) {
    const bool interacting = form.set == ParameterSet::Interacting;
    FormOperands<double> x{interacting ? a.p : a.np, interacting ? a.i : a.ni, interacting ? a.d : a.nd,
                           a.oprange, a.sprange};
    std::string unit_piece;
    bool in_minutes = false;
    switch (form.unit_rule) {
        case UnitRule::AsGiven: unit_piece = a.unit; break;
        case UnitRule::Tenths: unit_piece = kTenths; break;
        case UnitRule::Minutes:
            in_minutes = minute_rule_applies(a.unit);
            unit_piece = substitute(kUnitPiece, "%s", in_minutes ? kMinutes : a.unit);
            break;
    }
    const FormValues<double> v = form_values(form, x, in_minutes);
    const auto time_text = [&](double value, std::string_view suffix) {
        return fixed3(value) + " " + unit_piece + std::string(suffix);
    };

    VendorResult result;
    result.reserve(9);
    result.emplace_back(kPname, form.pname);
    result.emplace_back(kIname, form.iname);
    result.emplace_back(kDname, form.dname);
    result.emplace_back(kPv, substitute(form.gain_format, "%.3f", fixed3(v.gain)));
    result.emplace_back(kIv, time_text(v.integral, form.integral_suffix));
    if (!form.pidequ.empty()) result.emplace_back(kPidequ, form.pidequ);
    if (!form.latex.empty()) result.emplace_back(kLatex, form.latex);
    result.emplace_back(kDv, a.pi_only ? substitute(form.zero_format, "%s", unit_piece)
                                       : time_text(v.derivative, form.derivative_suffix));
    return result;
}

std::optional<VendorResult> calculate(std::string_view dcstype, VendorArguments a) {
    const DisplayName* row = find_display_name(dcstype);
    if (row == nullptr) return std::nullopt;
    if (a.pi_only) {
        a.p = a.np;
        a.i = a.ni;
        a.d = a.nd;
    }
    const VendorForm& form = vendor_form(row->method);
    VendorResult result = vendor_form_result(form, a);
    const auto text = [&](std::string_view key) -> const std::string& {
        for (const auto& [k, value] : result)
            if (k == key) return value;
        throw MissingKey(std::string(key));
    };
    std::string pidstr = text(kPname) + " = " + text(kPv) + " \n";
    pidstr += text(kIname) + " = " + text(kIv) + " \n";
    pidstr += text(kDname) + " = " + text(kDv);
    result.emplace_back(kPidstr, std::move(pidstr));
    if (form.latex.empty()) result.emplace_back(kLatex, std::string());
    return result;
}

}  // namespace vantrelpid::facade
