#include "vantrelpid/prep/probeplan.hpp"

#include "vantrelpid/errors.hpp"
#include "vantrelpid/prep/binseq.hpp"
#include "vantrelpid/util/stats.hpp"

namespace vantrelpid {

TestSignals probeplan(std::int64_t n_samples, const std::vector<std::int64_t>& switching_times,
                      RandomSource& random) {
    const Index n = static_cast<Index>(switching_times.size());
    TestSignals out;
    out.signals = Matrix::Zero(n_samples, n);
    for (Index k = 0; k < n; ++k) {
        const std::int64_t tsw = switching_times[static_cast<std::size_t>(k)];
        if (tsw == 0) throw DivisionByZero("division by zero");
        const BinarySequenceSpec spec{n_samples, 1.0 / static_cast<double>(tsw), 1.0, 7.0 * static_cast<double>(tsw)};
        const Vector binary = binseq(spec, std::nullopt, random);
        const std::vector<double> noise = random.rand(n_samples);
        for (Index t = 0; t < n_samples; ++t)
            out.signals(t, k) = binary(t) + 0.6 * (noise[static_cast<std::size_t>(t)] - 0.5);
    }
    out.covariance = util::covariance(out.signals);
    return out;
}

}  // namespace vantrelpid
