// The lease register at the size of a large agency: 10,000 leases, half of
// them with a revision on record. Targets: open the register and list the due
// leases under 300 ms, revise every due lease under 1 s, import a 10,000-line
// CSV under 2 s. The same on an office's PostgreSQL server (a throwaway local
// cluster, side by side with the SQLite file; wall-clock time, the server's
// work included): open and list under 400 ms, revise and record every due
// lease under 1.5 s, import under 3 s. Run: build/<dir>/bench/velmaris_bench_leases
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "indexfile.h"
#include "lawfulrevision.h"
#include "leasecsv.h"
#include "leaseregister.h"
#include "leasestore.h"
#include "pgcluster.h"

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
// once for the whole program; the same copied to the server when there is one.
struct Register {
    QTemporaryDir dir;
    std::vector<Lease> leases;
    std::vector<RevisionRecord> last;
    velmaris::test::PgCluster pg;
    bool pgUp = false;
    int databases = 0;

    // A new empty database on the server, or a new folder; the store opened there.
    bool openEmpty(LeaseStore& store, bool onServer, std::unique_ptr<QTemporaryDir>& folder)
    {
        if (!onServer) {
            folder = std::make_unique<QTemporaryDir>();
            return store.open(folder->path());
        }
        const QString name = QStringLiteral("vide%1").arg(++databases);
        return pg.createDatabase(name) && store.openServer(pg.server(name));
    }
    // A working copy of the register, for a benchmark that writes.
    bool openCopy(LeaseStore& store, bool onServer, std::unique_ptr<QTemporaryDir>& folder)
    {
        if (!onServer) {
            folder = std::make_unique<QTemporaryDir>();
            return QFile::copy(dir.filePath(LeaseStore::fileName()),
                               folder->filePath(LeaseStore::fileName()))
                   && store.open(folder->path());
        }
        const QString name = QStringLiteral("copie%1").arg(++databases);
        return pg.exec(QStringLiteral("postgres"),
                       QStringLiteral("CREATE DATABASE %1 TEMPLATE registre").arg(name))
               && store.openServer(pg.server(name));
    }
    bool open(LeaseStore& store, bool onServer)
    {
        return onServer ? store.openServer(pg.server(QStringLiteral("registre")))
                        : store.open(dir.path());
    }

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
        pgUp = pg.start() && pg.createDatabase(QStringLiteral("registre"));
        LeaseStore server;
        if (pgUp
            && !(server.openServer(pg.server(QStringLiteral("registre")))
                 && store.copyInto(server)))
            pgUp = false;
        if (!pgUp)
            qWarning("no PostgreSQL figures: %s", qPrintable(pg.why() + server.error()));
    }
};

const char* backEnd(const benchmark::State& state)
{
    return state.range(0) ? "postgresql" : "sqlite";
}

Register& reg()
{
    static Register r;
    return r;
}

void openAndListDue(benchmark::State& state)
{
    const bool onServer = state.range(0) != 0;
    if (onServer && !reg().pgUp)
        return state.SkipWithError("PostgreSQL unavailable");
    std::size_t due = 0;
    for (auto _ : state) {
        LeaseStore store;
        reg().open(store, onServer);
        const std::vector<Lease> leases = *store.leases();
        const std::vector<RevisionRecord> last = *store.lastRevisions();
        const std::vector<RegisterLine> lines = registerLines(leases, last, table(), kToday, true);
        due = lines.size();
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetLabel(backEnd(state));
    state.counters["leases"] = double(reg().leases.size());
    state.counters["due"] = double(due);
}
BENCHMARK(openAndListDue)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

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

// What "Appliquer" on every due lease costs: computed and recorded in one
// transaction, each record checked against its lease's version, on a fresh
// copy of the register.
void reviseAndRecordAll(benchmark::State& state)
{
    const bool onServer = state.range(0) != 0;
    if (onServer && !reg().pgUp)
        return state.SkipWithError("PostgreSQL unavailable");
    int recorded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<QTemporaryDir> folder;
        auto store = std::make_unique<LeaseStore>();
        if (!reg().openCopy(*store, onServer, folder))
            return state.SkipWithError("no copy of the register");
        state.ResumeTiming();
        const std::vector<Lease> leases = *store->leases();
        const std::vector<RevisionRecord> lastRecords = *store->lastRevisions();
        QHash<qint64, RevisionRecord> last;
        for (const RevisionRecord& rec : lastRecords)
            last.insert(rec.leaseId, rec);
        std::vector<RevisionRecord> records;
        std::vector<qint64> versions;
        for (const RegisterLine& line : registerLines(leases, lastRecords, table(), kToday, true)) {
            std::vector<RevisionRecord> history;
            if (const auto it = last.constFind(line.lease->id); it != last.constEnd())
                history.push_back(it.value());
            const LawfulRevision r = reviseLease(*line.lease, history, table(), kToday);
            if (r.canApply()) {
                records.push_back(r.record(line.lease->id));
                versions.push_back(line.lease->version);
            }
        }
        recorded = store->appendRevisions(records, versions) ? int(records.size()) : -1;
        state.PauseTiming();
        store.reset();
        folder.reset();
        state.ResumeTiming();
    }
    state.SetLabel(backEnd(state));
    state.counters["recorded"] = double(recorded);
}
BENCHMARK(reviseAndRecordAll)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

void importCsv(benchmark::State& state)
{
    const bool onServer = state.range(0) != 0;
    if (onServer && !reg().pgUp)
        return state.SkipWithError("PostgreSQL unavailable");
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
        std::unique_ptr<QTemporaryDir> target;
        LeaseStore store;
        if (!reg().openEmpty(store, onServer, target))
            return state.SkipWithError("no empty register");
        state.ResumeTiming();
        imported = importLeasesCsv(store, csv).imported;
        state.PauseTiming();
        store.close();
        state.ResumeTiming();
        state.PauseTiming();
        target.reset();
        state.ResumeTiming();
    }
    state.SetLabel(backEnd(state));
    state.counters["imported"] = double(imported);
}
BENCHMARK(importCsv)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

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
