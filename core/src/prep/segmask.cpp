#include "vantrelpid/prep/segmask.hpp"

#include <cstdint>
#include <limits>
#include <new>
#include <vector>

namespace vantrelpid {

namespace {

using Limits = std::numeric_limits<std::int64_t>;

struct Row {
    std::int64_t first, last;
};

// The stretch after a row ending at `last` up to the one before a row
// starting at `first`. A row ending at 2**63 - 1, or one starting at -2**63,
// leaves nothing between them, so no bound beyond int64 is ever formed.
void push_between(std::vector<Row>& rows, std::int64_t last, std::int64_t first) {
    if (last == Limits::max() || first == Limits::min()) return;
    rows.push_back({last + 1, first - 1});
}

// A stretch of at least kMinSliceSamples samples, without forming last - first.
bool long_enough(const Row& r) {
    if (r.first > Limits::max() - (kMinSliceSamples - 1)) return false;
    return r.last >= r.first + (kMinSliceSamples - 1);
}

}  // namespace

IntMatrix selected_slices(const IntMatrix& table, std::int64_t n_samples) {
    Index nsl = table.rows();
    for (Index i = 0; i < table.rows(); ++i) {
        if (table(i, 0) == -1) {
            nsl = i;
            break;
        }
    }
    if (nsl == 0) return IntMatrix{{1, n_samples}};

    // Head, gaps in table order, tail from the table's last row.
    std::vector<Row> rows;
    if (table(0, 0) > 1) rows.push_back({1, table(0, 0) - 1});
    for (Index i = 1; i < nsl; ++i) push_between(rows, table(i - 1, 1), table(i, 0));
    if (table(nsl - 1, 1) < n_samples) rows.push_back({table(nsl - 1, 1) + 1, n_samples});

    std::vector<Row> kept;
    for (const Row& r : rows)
        if (long_enough(r)) kept.push_back(r);

    IntMatrix slices(static_cast<Index>(kept.size()), 2);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        slices(static_cast<Index>(i), 0) = kept[i].first;
        slices(static_cast<Index>(i), 1) = kept[i].last;
    }
    return slices;
}

IntVector slice_samples(const IntMatrix& slices) {
    Index total = 0;
    for (Index i = 0; i < slices.rows(); ++i) {
        const std::int64_t first = slices(i, 0), last = slices(i, 1);
        if (last < first) continue;
        std::int64_t length = 0;
        if (__builtin_sub_overflow(last, first, &length) || __builtin_add_overflow(length, 1, &length) ||
            __builtin_add_overflow(total, length, &total))
            throw std::bad_alloc();
    }
    IntVector samples(total);
    Index k = 0;
    for (Index i = 0; i < slices.rows(); ++i) {
        const std::int64_t first = slices(i, 0), last = slices(i, 1);
        if (last < first) continue;
        for (std::int64_t s = first;; ++s) {
            samples(k++) = s;
            if (s == last) break;
        }
    }
    return samples;
}

SliceSelection segmask(const IntMatrix& table, std::int64_t n_samples) {
    SliceSelection out;
    out.slices = selected_slices(table, n_samples);
    out.samples = slice_samples(out.slices);
    out.none_survived = out.slices.rows() == 0;
    return out;
}

}  // namespace vantrelpid
