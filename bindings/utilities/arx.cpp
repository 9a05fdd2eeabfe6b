// The three-order ARX candidate estimate, exposed for testing.

#include "support/arx_args.hpp"
#include "support/module.hpp"
#include "utilities/register.hpp"
#include "vantrelpid/arx/triple.hpp"

namespace vantrelpid::py::utilities {

void register_arx(nb::module_& m) {
    m.def(
        "arx_triple",
        [](nb::handle Un, nb::handle yn, nb::handle SlIndk, nb::handle n1, nb::handle n2, nb::handle n3,
           nb::handle Delay) {
            const Matrix u = real_matrix(Un, "Un");
            const std::optional<IntVector> delays = delay_list(Delay, u.cols());
            const std::array<std::int64_t, 3> orders{index_arg(n1), index_arg(n2), index_arg(n3)};
            const auto models = arx_triple(u, column_matrix(yn).col(0), slice_rows(SlIndk, "SlIndk"), orders,
                                           delays ? *delays : IntVector::Zero(u.cols()));
            nb::list out;
            for (const ArxModel& model : models) {
                out.append(array1d(model.den));
                out.append(array(model.num));
            }
            return nb::tuple(out);
        },
        "Un"_a, "yn"_a, "SlIndk"_a, "n1"_a, "n2"_a, "n3"_a, "Delay"_a,
        "arx_triple(Un, yn, SlIndk, n1, n2, n3, Delay) -> (A1, B1, A2, B2, A3, B3)");
}

}  // namespace vantrelpid::py::utilities
