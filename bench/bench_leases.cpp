// SPDX-License-Identifier: GPL-3.0-or-later
// The lease register at the size of a large agency: 10,000 leases, half of
// them with a revision on record. Targets: open the register and list the due
// leases under 300 ms, revise every due lease under 1 s, import a 10,000-line
// CSV under 2 s. The same on an office's PostgreSQL server (a throwaway local
// cluster, side by side with the SQLite file; wall-clock time, the server's
// work included): open and list under 400 ms, revise and record every due
// lease under 1.5 s, import under 3 s. An office's server is rarely on the
// same machine: every benchmark on the server runs twice, on its Unix socket
// ("postgresql") and through velmaris_latency_proxy, a link that adds about
// 1 ms per round trip ("postgresql+1ms"). Through that link each bulk
// operation (open and list, revise and record, import, copy, export) should
// take at most 1.5 times its time with the server reached directly.
// bench_office.cpp holds the copies and the export. Run:
//   build/<dir>/bench/velmaris_bench_leases
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "benchregister.h"
#include "lawfulrevision.h"
#include "leasecsv.h"
#include "leaseregister.h"

#include <QCoreApplication>
#include <QFile>

namespace velmaris::bench {

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

// Written once for the whole program; copied to the server when there is one,
// and the proxy started in front of it.
Register::Register()
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
        && !(server.openServer(pg.server(QStringLiteral("registre"))) && store.copyInto(server)))
        pgUp = false;
    if (!pgUp) {
        qWarning("no PostgreSQL figures: %s", qPrintable(pg.why() + server.error()));
        return;
    }
    proxy.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proxy.start(QStringLiteral(VELMARIS_LATENCY_PROXY),
                {QStringLiteral("--listen"), QStringLiteral("0"), QStringLiteral("--to-unix"),
                 pg.socketFolder() + QStringLiteral("/.s.PGSQL.%1").arg(test::PgCluster::kPort),
                 QStringLiteral("--delay-us"), QStringLiteral("500"),
                 QStringLiteral("--lifetime-s"), QStringLiteral("7200")});
    if (proxy.waitForStarted() && proxy.waitForReadyRead(10000)) {
        const QByteArray line = proxy.readLine().trimmed();
        if (line.startsWith("port "))
            proxyPort = line.mid(5).toInt();
    }
    if (!proxyPort)
        qWarning("no figures through the proxy: %s", qPrintable(proxy.errorString()));
}

Register::~Register()
{
    if (proxy.state() != QProcess::NotRunning) {
        proxy.kill();
        proxy.waitForFinished();
    }
}

RegisterServer Register::server(const QString& name, Link link) const
{
    RegisterServer server = pg.server(name);
    if (link == kSlowLink) {
        server.host = QStringLiteral("127.0.0.1");
        server.port = proxyPort;
    }
    return server;
}

bool Register::open(LeaseStore& store, Link link)
{
    return link == kFile ? store.open(dir.path())
                         : store.openServer(server(QStringLiteral("registre"), link));
}

bool Register::openEmpty(LeaseStore& store, Link link, std::unique_ptr<QTemporaryDir>& folder)
{
    if (link == kFile) {
        folder = std::make_unique<QTemporaryDir>();
        return store.open(folder->path());
    }
    const QString name = QStringLiteral("vide%1").arg(++databases);
    return pg.createDatabase(name) && store.openServer(server(name, link));
}

bool Register::openCopy(LeaseStore& store, Link link, std::unique_ptr<QTemporaryDir>& folder)
{
    if (link == kFile) {
        folder = std::make_unique<QTemporaryDir>();
        return QFile::copy(dir.filePath(LeaseStore::fileName()),
                           folder->filePath(LeaseStore::fileName()))
               && store.open(folder->path());
    }
    const QString name = QStringLiteral("copie%1").arg(++databases);
    return pg.exec(QStringLiteral("postgres"),
                   QStringLiteral("CREATE DATABASE %1 TEMPLATE registre").arg(name))
           && store.openServer(server(name, link));
}

namespace {
std::unique_ptr<Register>& instance()
{
    static std::unique_ptr<Register> r;
    return r;
}
} // namespace

Register& reg()
{
    if (!instance())
        instance() = std::make_unique<Register>();
    return *instance();
}

void endRegister()
{
    instance().reset();
}

std::optional<Link> linkOf(benchmark::State& state)
{
    const auto link = Link(state.range(0));
    static const char* const labels[] = {"sqlite", "postgresql", "postgresql+1ms"};
    state.SetLabel(labels[link]);
    if (link != kFile && !reg().pgUp) {
        state.SkipWithError("PostgreSQL unavailable");
        return std::nullopt;
    }
    if (link == kSlowLink && !reg().proxyPort) {
        state.SkipWithError("no proxy");
        return std::nullopt;
    }
    return link;
}

void onEveryLink(benchmark::internal::Benchmark* b)
{
    b->Arg(kFile)->Arg(kSocket)->Arg(kSlowLink)->UseRealTime()->Unit(benchmark::kMillisecond);
}

namespace {

void openAndListDue(benchmark::State& state)
{
    const std::optional<Link> link = linkOf(state);
    if (!link)
        return;
    std::size_t due = 0;
    for (auto _ : state) {
        LeaseStore store;
        if (!reg().open(store, *link))
            return state.SkipWithError("register not opened");
        const std::vector<Lease> leases = *store.leases();
        const std::vector<RevisionRecord> last = *store.lastRevisions();
        const std::vector<RegisterLine> lines = registerLines(leases, last, table(), kToday, true);
        due = lines.size();
        benchmark::DoNotOptimize(lines.data());
    }
    state.counters["leases"] = double(reg().leases.size());
    state.counters["due"] = double(due);
}
BENCHMARK(openAndListDue)->Apply(onEveryLink);

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
    const std::optional<Link> link = linkOf(state);
    if (!link)
        return;
    int recorded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<QTemporaryDir> folder;
        auto store = std::make_unique<LeaseStore>();
        if (!reg().openCopy(*store, *link, folder))
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
    state.counters["recorded"] = double(recorded);
}
BENCHMARK(reviseAndRecordAll)->Apply(onEveryLink);

void importCsv(benchmark::State& state)
{
    const std::optional<Link> link = linkOf(state);
    if (!link)
        return;
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
        if (!reg().openEmpty(store, *link, target))
            return state.SkipWithError("no empty register");
        state.ResumeTiming();
        imported = importLeasesCsv(store, csv).imported;
        state.PauseTiming();
        store.close();
        target.reset();
        state.ResumeTiming();
    }
    state.counters["imported"] = double(imported);
}
BENCHMARK(importCsv)->Apply(onEveryLink);

} // namespace
} // namespace velmaris::bench

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // QtSql finds its SQLite driver through it
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    velmaris::bench::endRegister();
    return 0;
}
