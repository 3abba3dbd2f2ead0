// The lease register at the size of a large agency: 10,000 leases, half of
// them with a revision on record. Targets: open the register and list the due
// leases under 300 ms, revise every due lease under 1 s, import a 10,000-line
// CSV under 2 s. Run: build/<dir>/bench/velmaris_bench_leases
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "indexfile.h"
#include "lawfulrevision.h"
#include "leasecsv.h"
#include "leaseregister.h"
#include "leasestore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace velmaris;

constexpr int kLeases = 10000;
const QDate kToday(2025, 10, 20);

const IndexTable& table()
{
    static const IndexTable t = [] {
        IndexTable table;
        QFile file(QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT"));
        if (file.open(QIODevice::ReadOnly))
            table.rows = parseIndexFile(file.readAll()).rows;
        return table;
    }();
    return t;
}

// Leases of every kind: started over ten years, on every day of the year,
// in the three territories, furnished or not, some F or G.
std::vector<Lease> makeLeases()
{
    const char* const codes[] = {"75011", "69003", "13001", "20000", "97400", "33000", "20200"};
    std::vector<Lease> leases;
    leases.reserve(kLeases);
    for (int i = 0; i < kLeases; ++i) {
        Lease lease;
        lease.reference = QStringLiteral("LOT-%1").arg(i, 5, 10, QChar(u'0'));
        lease.tenant = QStringLiteral("Locataire %1").arg(i);
        lease.address = QStringLiteral("%1 rue de la République").arg(i % 200 + 1);
        lease.postalCode = QString::fromLatin1(codes[i % 7]);
        lease.territory = territoryFromPostalCode(lease.postalCode);
        lease.furnished = i % 5 == 0;
        lease.startDate = QDate(2015, 1, 1).addDays((i * 37) % 3650);
        lease.signingDate = lease.startDate.addDays(-(i % 20));
        lease.clause = i % 3 == 0 ? Clause::HausseEtBaisse : Clause::HausseSeulement;
        lease.dpeClass = i % 9 == 0 ? DpeClass::G : (i % 11 == 0 ? DpeClass::F : DpeClass::D);
        lease.rentCents = 40000 + (i * 7919) % 150000;
        lease.chargesCents = 5000;
        leases.push_back(lease);
    }
    return leases;
}

// A register of 10,000 leases, every other one revised last year, written
// once for the whole program.
struct Register {
    QTemporaryDir dir;
    std::vector<Lease> leases;
    std::vector<RevisionRecord> last;

    Register()
    {
        LeaseStore store;
        store.open(dir.path());
        store.importLeases(makeLeases());
        leases = *store.leases();
        for (std::size_t i = 0; i < leases.size(); i += 2) {
            const LawfulRevision r = reviseLease(leases[i], {}, table(), kToday.addYears(-1));
            if (r.canApply())
                store.appendRevision(r.record(leases[i].id));
        }
        leases = *store.leases();
        last = *store.lastRevisions();
    }
};

Register& reg()
{
    static Register r;
    return r;
}

void openAndListDue(benchmark::State& state)
{
    const QString folder = reg().dir.path();
    std::size_t due = 0;
    for (auto _ : state) {
        LeaseStore store;
        store.open(folder);
        const std::vector<Lease> leases = *store.leases();
        const std::vector<RevisionRecord> last = *store.lastRevisions();
        const std::vector<RegisterLine> lines = registerLines(leases, last, table(), kToday, true);
        due = lines.size();
        benchmark::DoNotOptimize(lines.data());
    }
    state.counters["leases"] = double(reg().leases.size());
    state.counters["due"] = double(due);
}
BENCHMARK(openAndListDue)->Unit(benchmark::kMillisecond);

void reviseEveryDueLease(benchmark::State& state)
{
    const std::vector<RegisterLine> lines =
        registerLines(reg().leases, reg().last, table(), kToday, true);
    QHash<qint64, RevisionRecord> last;
    for (const RevisionRecord& rec : reg().last)
        last.insert(rec.leaseId, rec);
    int computed = 0;
    for (auto _ : state) {
        computed = 0;
        for (const RegisterLine& line : lines) {
            std::vector<RevisionRecord> history;
            if (const auto it = last.constFind(line.lease->id); it != last.constEnd())
                history.push_back(it.value());
            const LawfulRevision r = reviseLease(*line.lease, history, table(), kToday);
            computed += r.computed ? 1 : 0;
            benchmark::DoNotOptimize(r.newRentCents);
        }
    }
    state.counters["due"] = double(lines.size());
    state.counters["computed"] = double(computed);
}
BENCHMARK(reviseEveryDueLease)->Unit(benchmark::kMillisecond);

void importCsv(benchmark::State& state)
{
    QTemporaryDir source;
    const QString csv = source.filePath(QStringLiteral("baux.csv"));
    {
        QFile file(csv);
        file.open(QIODevice::WriteOnly);
        file.write(leasesToCsv(makeLeases()));
    }
    int imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto target = std::make_unique<QTemporaryDir>();
        state.ResumeTiming();
        LeaseStore store;
        store.open(target->path());
        imported = importLeasesCsv(store, csv).imported;
        store.close();
        state.PauseTiming();
        target.reset();
        state.ResumeTiming();
    }
    state.counters["imported"] = double(imported);
}
BENCHMARK(importCsv)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // QtSql finds its SQLite driver through it
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
