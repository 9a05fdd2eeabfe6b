// vantrelpid._utilities: the numerical utility layer, reachable from Python
// for testing. Private: not part of the documented interface. Each group of
// functions registers itself from its own file under utilities/.

#include "support/module.hpp"
#include "utilities/register.hpp"

NB_MODULE(_utilities, m) {
    vantrelpid::py::init_module(m);
    vantrelpid::py::utilities::register_polynomials(m);
}
