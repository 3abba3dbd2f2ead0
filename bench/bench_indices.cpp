// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the index file and filling the twenty grid lines.
#include "benchdata.h"

#include "gridline.h"
#include "indexfile.h"

#include <benchmark/benchmark.h>

namespace {

using namespace velmaris;
using namespace velmaris::bench;

enum class Source { Shipped, Synthetic };

QString pathOf(Source source)
{
    return source == Source::Shipped ? shippedPath() : syntheticPath(kSyntheticRows);
}

QByteArray bytesOf(Source source)
{
    return source == Source::Shipped ? shippedBytes() : syntheticBytes(kSyntheticRows);
}

// What a start or a reload does: open, read, parse, averages.
void loadIndexFile(benchmark::State& state, Source source)
{
    const QString path = pathOf(source);
    for (auto _ : state) {
        IndexFileResult result = readIndexFile(path);
        benchmark::DoNotOptimize(result.rows.data());
    }
    state.counters["rows"] = double(readIndexFile(path).rows.size());
}
BENCHMARK_CAPTURE(loadIndexFile, shipped, Source::Shipped)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(loadIndexFile, synthetic_2000, Source::Synthetic)->Unit(benchmark::kMicrosecond);

// The same without the file system, to tell reading from parsing.
void parseIndexBytes(benchmark::State& state, Source source)
{
    const QByteArray bytes = bytesOf(source);
    for (auto _ : state) {
        IndexFileResult result = parseIndexFile(bytes);
        benchmark::DoNotOptimize(result.rows.data());
    }
}
BENCHMARK_CAPTURE(parseIndexBytes, shipped, Source::Shipped)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(parseIndexBytes, synthetic_2000, Source::Synthetic)
    ->Unit(benchmark::kMicrosecond);

// The texts of the twenty grid lines, rents included; on the synthetic file
// at the bottom of the table, where the lines are longest.
void twentyGridLines(benchmark::State& state, Source source)
{
    Revised revised = loadedTable(bytesOf(source), true);
    IndexTable& table = revised.table;
    const GridView view{std::max(0, table.scrollMaximum()), revised.referenceRow};
    for (auto _ : state) {
        for (int line = 0; line < kGridLines; ++line) {
            GridLine g = gridLine(table, view, line, french());
            g.rent = rentText(revised.schedule, g.quarter, french());
            benchmark::DoNotOptimize(g.label.constData());
            benchmark::DoNotOptimize(g.rent.constData());
        }
    }
}
BENCHMARK_CAPTURE(twentyGridLines, shipped, Source::Shipped)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(twentyGridLines, synthetic_2000, Source::Synthetic)
    ->Unit(benchmark::kMicrosecond);

} // namespace
