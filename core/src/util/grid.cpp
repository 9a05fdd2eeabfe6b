#include "vantrelpid/util/grid.hpp"

#include <cmath>
#include <numbers>

namespace vantrelpid::util {

Vector frequency_grid() {
    Vector w(kGridPoints);
    // np.linspace(0.0001, 100, 100, endpoint=False) / 100 * np.pi
    const double start = 0.0001, step = (100.0 - start) / 100.0;
    for (Index k = 0; k < kLinearGridPoints; ++k) {
        const double y = static_cast<double>(k) * step + start;
        w(k) = y / 100.0 * std::numbers::pi;
    }
    // 3.14 * np.logspace(-4, 0, 75): 10 ** np.linspace(-4, 0, 75), last exponent exactly 0
    const Index nlog = kGridPoints - kLinearGridPoints;
    const double lstep = 4.0 / static_cast<double>(nlog - 1);
    for (Index k = 0; k < nlog; ++k) {
        const double e = k == nlog - 1 ? 0.0 : static_cast<double>(k) * lstep + -4.0;
        w(kLinearGridPoints + k) = 3.14 * std::pow(10.0, e);
    }
    return w;
}

}  // namespace vantrelpid::util
