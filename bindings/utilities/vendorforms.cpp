// The double path of the vendor forms, exposed for testing: the tests check
// that it gives the binding's texts for numpy float64 arguments.

#include <nanobind/stl/string.h>

#include "support/module.hpp"
#include "utilities/register.hpp"
#include "vantrelpid/facade/vendorforms.hpp"

namespace vantrelpid::py::utilities {

void register_vendor_forms(nb::module_& m) {
    m.def(
        "vendor_calculate",
        [](const std::string& dcstype, double p, double i, double d, double np, double ni, double nd, double oprange,
           double sprange, bool pi_only, const std::string& unit) -> nb::object {
            const auto result =
                facade::calculate(dcstype, {p, i, d, np, ni, nd, oprange, sprange, pi_only, unit});
            if (!result) return nb::none();
            nb::dict out;
            for (const auto& [key, text] : *result) out[nb::str(key.data(), key.size())] = nb::str(text.data(), text.size());
            return out;
        },
        "dcstype"_a, "p"_a, "i"_a, "d"_a, "np"_a, "ni"_a, "nd"_a, "oprange"_a, "sprange"_a, "piOnly"_a, "unit"_a,
        "vendor_calculate(dcstype, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit) -> dict | None\n\n"
        "VendorForms.calculate on doubles (float64 rules), as C++ callers reach it.");
}

}  // namespace vantrelpid::py::utilities
