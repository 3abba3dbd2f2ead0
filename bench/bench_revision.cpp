// SPDX-License-Identifier: GPL-3.0-or-later
// Revising rents along the longest run there is: from the oldest quarter that
// can be revised up to the newest.
#include "benchdata.h"

#include "revision.h"

#include <benchmark/benchmark.h>

namespace {

using namespace velmaris;
using namespace velmaris::bench;

void reviseLongestRun(benchmark::State& state, bool synthetic)
{
    const IndexTable table =
        loadedTable(synthetic ? syntheticBytes(kSyntheticRows) : shippedBytes(), false).table;
    const int first = longestRunRow(table);
    const RevisionRequest request = requestAt(table, first);
    for (auto _ : state) {
        Schedule schedule = reviseRents(table, request);
        benchmark::DoNotOptimize(schedule.entries.data());
    }
    state.counters["from_row"] = double(first);
    state.counters["anniversaries"] = double(first / 4);
}
BENCHMARK_CAPTURE(reviseLongestRun, shipped, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(reviseLongestRun, synthetic_2000, true)->Unit(benchmark::kMicrosecond);

// With a lease date, which decides the series of the second quarter of 2005.
void reviseLongestRunWithLeaseDate(benchmark::State& state)
{
    const IndexTable table = loadedTable(shippedBytes(), false).table;
    const int first = longestRunRow(table);
    RevisionRequest request = requestAt(table, first);
    request.leaseDate = QDate(2000, 3, 15);
    request.reeval = true;
    for (auto _ : state) {
        Schedule schedule = reviseRents(table, request);
        benchmark::DoNotOptimize(schedule.entries.data());
    }
}
BENCHMARK(reviseLongestRunWithLeaseDate)->Unit(benchmark::kMicrosecond);

} // namespace
