#include "vantrelpid/prep/segmask.hpp"

#include <vector>

namespace vantrelpid {

namespace {

struct Row {
    std::int64_t first, last;
};

}  // namespace

SliceSelection segmask(const IntMatrix& table, std::int64_t n_samples) {
    SliceSelection out;
    Index nsl = table.rows();
    for (Index i = 0; i < table.rows(); ++i) {
        if (table(i, 0) == -1) {
            nsl = i;
            break;
        }
    }
    if (nsl == 0) {
        out.slices.resize(1, 2);
        out.slices << 1, n_samples;
        const std::int64_t n = n_samples > 0 ? n_samples : 0;
        out.samples = IntVector::LinSpaced(n, 1, n);
        if (n == 0) out.samples.resize(0);
        return out;
    }

    // Head, gaps in table order, tail from the table's last row.
    std::vector<Row> rows;
    if (table(0, 0) > 1) rows.push_back({1, table(0, 0) - 1});
    for (Index i = 1; i < nsl; ++i) rows.push_back({table(i - 1, 1) + 1, table(i, 0) - 1});
    if (table(nsl - 1, 1) < n_samples) rows.push_back({table(nsl - 1, 1) + 1, n_samples});

    std::vector<Row> kept;
    for (const Row& r : rows)
        if (r.last - r.first > kMinSliceSamples - 2) kept.push_back(r);

    if (kept.empty()) {
        out.slices.resize(0, 2);
        out.none_survived = true;
        return out;
    }
    out.slices.resize(static_cast<Index>(kept.size()), 2);
    Index total = 0;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        out.slices(static_cast<Index>(i), 0) = kept[i].first;
        out.slices(static_cast<Index>(i), 1) = kept[i].last;
        total += kept[i].last - kept[i].first + 1;
    }
    out.samples.resize(total);
    Index k = 0;
    for (const Row& r : kept)
        for (std::int64_t s = r.first; s <= r.last; ++s) out.samples(k++) = s;
    return out;
}

}  // namespace vantrelpid
