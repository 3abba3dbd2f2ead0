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
    IndexTable table =
        loadedTable(synthetic ? syntheticBytes(kSyntheticRows) : shippedBytes(), false);
    const int first = longestRunRow(table);
    for (auto _ : state) {
        // What the rent box stores before the revision runs.
        table.rows[first].rent = QStringLiteral("850");
        RevisionResult result = reviseRents(table, first, {}, false, french());
        benchmark::DoNotOptimize(result.completed);
    }
    state.counters["from_row"] = double(first);
    state.counters["anniversaries"] = double(first / 4);
}
BENCHMARK_CAPTURE(reviseLongestRun, shipped, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(reviseLongestRun, synthetic_2000, true)->Unit(benchmark::kMicrosecond);

// With a lease date, which decides the series of the second quarter of 2005.
void reviseLongestRunWithLeaseDate(benchmark::State& state)
{
    IndexTable table = loadedTable(shippedBytes(), false);
    const int first = longestRunRow(table);
    for (auto _ : state) {
        table.rows[first].rent = QStringLiteral("850");
        RevisionResult result = reviseRents(table, first, u"15/03/2000", true, french());
        benchmark::DoNotOptimize(result.completed);
    }
}
BENCHMARK(reviseLongestRunWithLeaseDate)->Unit(benchmark::kMicrosecond);

} // namespace
