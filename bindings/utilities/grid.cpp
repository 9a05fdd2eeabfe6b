// The system's frequency grid, exposed for testing.

#include "support/module.hpp"
#include "utilities/register.hpp"
#include "vantrelpid/util/grid.hpp"

namespace vantrelpid::py::utilities {

void register_grid(nb::module_& m) {
    m.def("frequency_grid", [] { return array1d(util::frequency_grid()); },
          "frequency_grid() -> the 175-point grid in radians per sample");
}

}  // namespace vantrelpid::py::utilities
