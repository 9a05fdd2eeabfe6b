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

// The number of samples in the kept stretches; a sum that no array can
// hold raises std::bad_alloc (MemoryError) before anything is allocated.
Index sample_count(const std::vector<Row>& kept) {
    constexpr std::uint64_t limit = static_cast<std::uint64_t>(Limits::max()) / sizeof(std::int64_t);
    std::uint64_t total = 0;
    for (const Row& r : kept) {
        // last - first + 1 in unsigned arithmetic: both ends lie strictly
        // inside the int64 range, so the difference is below 2**64 - 1.
        const std::uint64_t n = static_cast<std::uint64_t>(r.last) - static_cast<std::uint64_t>(r.first) + 1;
        if (n > limit - total) throw std::bad_alloc();
        total += n;
    }
    return static_cast<Index>(total);
}

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
    for (Index i = 1; i < nsl; ++i) push_between(rows, table(i - 1, 1), table(i, 0));
    if (table(nsl - 1, 1) < n_samples) rows.push_back({table(nsl - 1, 1) + 1, n_samples});

    std::vector<Row> kept;
    for (const Row& r : rows)
        if (long_enough(r)) kept.push_back(r);

    if (kept.empty()) {
        out.slices.resize(0, 2);
        out.none_survived = true;
        return out;
    }
    out.slices.resize(static_cast<Index>(kept.size()), 2);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        out.slices(static_cast<Index>(i), 0) = kept[i].first;
        out.slices(static_cast<Index>(i), 1) = kept[i].last;
    }
    out.samples.resize(sample_count(kept));
    Index k = 0;
    for (const Row& r : kept) {
        // Counted up to last inclusive without forming last + 1.
        for (std::int64_t s = r.first;; ++s) {
            out.samples(k++) = s;
            if (s == r.last) break;
        }
    }
    return out;
}

}  // namespace vantrelpid
