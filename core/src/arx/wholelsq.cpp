#include "vantrelpid/arx/wholelsq.hpp"

#include <string>

#include "vantrelpid/arx/correlation.hpp"
#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"
#include "vantrelpid/util/linalg.hpp"

namespace vantrelpid {

ArxModel wholelsq(const Matrix& U, const Vector& Y, std::int64_t n, const std::optional<IntVector>& delays) {
    const Index N = U.rows(), nu = U.cols();
    if (Y.size() != N) throw InvalidArgument("Y must have as many rows as U");
    if (n < 0) throw InvalidArgument("n must be >= 0");
    if (n >= N)
        throw InvalidArgument("U and Y hold " + std::to_string(N) + " samples, fewer than the " +
                              pynum::successor_text(n) + " that order " + std::to_string(n) + " needs");
    Matrix shifted = U;  // the caller's inputs stay as they are
    if (delays) {
        const Index i = detail::delay_outside(*delays, nu, 0, N);
        if (i >= 0)
            throw InvalidArgument("Delay of input " + std::to_string(i) + " is " + std::to_string((*delays)(i)) +
                                  "; it must lie in 0.." + std::to_string(N));
        detail::delay_columns(shifted, *delays);
    }
    const detail::StretchCorrelations corr(shifted, Y, n, detail::fft_length_covering(N));
    const detail::NormalEquations eq = detail::fix_leading_coefficient(corr.matrix(n));
    const Vector th = util::lstsq(eq.lhs, eq.rhs, util::Cutoff::Scipy);
    return detail::arx_from_solution(th, n, nu);
}

}  // namespace vantrelpid
