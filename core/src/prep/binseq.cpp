#include "vantrelpid/prep/binseq.hpp"

#include "vantrelpid/errors.hpp"
#include "vantrelpid/pynum.hpp"

namespace vantrelpid {

Vector binseq(const BinarySequenceSpec& spec, std::optional<std::int64_t> seed, RandomSource& random) {
    if (seed) random.seed(*seed);
    if (spec.n < 0) throw InvalidArgument("negative dimensions are not allowed");
    const std::vector<double> r = random.rand(spec.n);
    if (r.empty()) throw OutOfRange(pynum::out_of_bounds_message(0, 0));

    double level = r[0] > 0.5 ? 1.0 : -1.0;
    Vector u(spec.n);
    std::int64_t count = 1;
    for (Index i = 0; i < spec.n; ++i) {
        const double c = static_cast<double>(count);
        const bool switches = (r[static_cast<std::size_t>(i)] < spec.p && c >= spec.t_min) || c >= spec.t_max;
        if (switches) {
            level = -level;
            count = 1;
        } else {
            ++count;
        }
        u(i) = level;
    }
    return u;
}

Vector validation_sequence(RandomSource& random) {
    return binseq({1300, 1.0 / 10, 1, 100}, 1235, random);
}

}  // namespace vantrelpid
