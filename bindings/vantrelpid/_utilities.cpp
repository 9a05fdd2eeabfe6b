// vantrelpid._utilities: the numerical utility layer, reachable from Python
// for testing. Private: not part of the documented interface. Each group of
// functions registers itself from its own file under utilities/.

#include "support/module.hpp"
#include "utilities/register.hpp"

NB_MODULE(_utilities, m) {
    vantrelpid::py::init_module(m);
    namespace u = vantrelpid::py::utilities;
    u::register_polynomials(m);
    u::register_filters(m);
    u::register_simulation(m);
    u::register_forms(m);
    u::register_correlogram(m);
    u::register_grid(m);
    u::register_differencing(m);
    u::register_arx(m);
    u::register_vendor_forms(m);
}
