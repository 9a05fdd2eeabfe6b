// Spectra of the utility layer, exposed for testing.

#include "support/module.hpp"
#include "utilities/register.hpp"

namespace vantrelpid::py::utilities {

void register_spectra(nb::module_&) {}

}  // namespace vantrelpid::py::utilities
