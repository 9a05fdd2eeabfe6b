// Sample selections checked from their slice rows: the same verdict, and the
// same first offending sample, as checking the listed numbers one by one.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "vantrelpid/errors.hpp"
#include "vantrelpid/prep/samples.hpp"
#include "vantrelpid/prep/segmask.hpp"

namespace {

using namespace vantrelpid;

std::optional<std::string> failure(const auto& check) {
    try {
        check();
    } catch (const OutOfRange& e) {
        return e.what();
    }
    return std::nullopt;
}

TEST(CheckedSamples, RowsCheckedAsTheirListedNumbers) {
    // Random tables of deselected rows around a record of 400 samples, entries
    // from well below 1 to well past the record: out-of-order, overlapping
    // and out-of-record rows included.
    std::mt19937_64 gen(12);
    std::uniform_int_distribution<std::int64_t> entry(-700, 1500), rows(1, 4);
    constexpr Index kRecord = 400;
    int failures = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        IntMatrix table(rows(gen), 2);
        for (Index i = 0; i < table.rows(); ++i) table.row(i) << entry(gen), entry(gen);
        const IntMatrix slices = selected_slices(table, kRecord);
        const IntVector listed = slice_samples(slices);
        const auto from_rows = failure([&] { CheckedSamples::of_slices(slices, kRecord); });
        EXPECT_EQ(from_rows, failure([&] { require_samples_in_record(listed, kRecord); })) << table;
        if (from_rows) ++failures;
        else EXPECT_EQ(CheckedSamples::of_slices(slices, kRecord).numbers(), listed);
    }
    EXPECT_GT(failures, 300);  // both verdicts are well represented
    EXPECT_LT(failures, 2700);
}

TEST(CheckedSamples, RowPastTheRecordFailsWithoutListingIt) {
    const IntMatrix slices{{1, 199}, {201, std::int64_t{1} << 50}};
    EXPECT_EQ(failure([&] { CheckedSamples::of_slices(slices, 1000); }),
              "index 1000 is out of bounds for axis 0 with size 1000");
}

}  // namespace
