// SPDX-License-Identifier: GPL-3.0-or-later
// The two outputs of a revised table: the clipboard text and the report layout.
#include "benchdata.h"

#include "clipboardtext.h"
#include "reportlayout.h"
#include "reportrows.h"

#include <benchmark/benchmark.h>

namespace {

using namespace velmaris;
using namespace velmaris::bench;

Revised revisedTable(bool synthetic)
{
    return loadedTable(synthetic ? syntheticBytes(kSyntheticRows) : shippedBytes(), true);
}

void clipboard(benchmark::State& state, bool synthetic)
{
    const Revised revised = revisedTable(synthetic);
    for (auto _ : state) {
        QString text =
            clipboardText(revised.table, revised.referenceRow, revised.schedule, false, french());
        benchmark::DoNotOptimize(text.constData());
    }
}
BENCHMARK_CAPTURE(clipboard, shipped, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(clipboard, synthetic_2000, true)->Unit(benchmark::kMicrosecond);

// An A4 page in portrait less the printer's usual margins, 12-point lines.
void reportLayout(benchmark::State& state, bool synthetic)
{
    const Revised revised = revisedTable(synthetic);
    const ReportPage page{19.0, 27.7, 0.5};
    for (auto _ : state) {
        ReportLayout layout = layoutReport(
            reportRows(revised.table, revised.referenceRow, revised.schedule, false, french()),
            page);
        benchmark::DoNotOptimize(layout.texts.data());
    }
    state.counters["pages"] = double(layoutReport(reportRows(revised.table, revised.referenceRow,
                                                             revised.schedule, false, french()),
                                                  page)
                                         .pages);
}
BENCHMARK_CAPTURE(reportLayout, shipped, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(reportLayout, synthetic_2000, true)->Unit(benchmark::kMicrosecond);

} // namespace
