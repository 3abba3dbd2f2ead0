// SPDX-License-Identifier: GPL-3.0-or-later
// An office's whole register moved at once: copied from the SQLite file to the
// server, copied back from the server into a new folder, exported as CSV; on
// each link of bench_leases.cpp, with its targets. Each time counts the
// opening of the register read, not the making of the empty one written.
#include "benchregister.h"
#include "leasecsv.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace velmaris::bench {
namespace {

// Times copying the register read on `from` into the empty one `to` opens:
// only the copy and the opening of the source count.
void timeCopy(benchmark::State& state, Link from, Link to)
{
    QString error;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<QTemporaryDir> folder;
        LeaseStore target;
        if (!reg().openEmpty(target, to, folder))
            return state.SkipWithError("no empty register");
        state.ResumeTiming();
        LeaseStore source;
        if (!reg().open(source, from) || !source.copyInto(target))
            error = source.error() + target.error();
        state.PauseTiming();
        source.close();
        target.close();
        folder.reset();
        state.ResumeTiming();
    }
    if (!error.isEmpty())
        state.SkipWithError(qPrintable(error));
    state.counters["leases"] = double(reg().leases.size());
}

// The file into an empty database (a new folder on kFile), as an office moving
// to its server does.
void copyToServer(benchmark::State& state)
{
    if (const std::optional<Link> link = linkOf(state))
        timeCopy(state, kFile, *link);
}
BENCHMARK(copyToServer)->Apply(onEveryLink);

// The server's register into a new folder (the file into another on kFile).
void copyFromServer(benchmark::State& state)
{
    if (const std::optional<Link> link = linkOf(state))
        timeCopy(state, *link, kFile);
}
BENCHMARK(copyFromServer)->Apply(onEveryLink);

void exportCsv(benchmark::State& state)
{
    const std::optional<Link> link = linkOf(state);
    if (!link)
        return;
    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("baux.csv"));
    QString error;
    int written = 0;
    for (auto _ : state) {
        LeaseStore store;
        if (!reg().open(store, *link) || !exportLeasesCsv(store, csv, &error, &written))
            error += store.error();
    }
    if (!error.isEmpty())
        state.SkipWithError(qPrintable(error));
    state.counters["written"] = double(written);
}
BENCHMARK(exportCsv)->Apply(onEveryLink);

// One "SELECT 1" a time: what a round trip to the server costs on each link.
void roundTrip(benchmark::State& state)
{
    const std::optional<Link> link = linkOf(state);
    if (!link)
        return;
    const RegisterServer server = reg().server(QStringLiteral("registre"), *link);
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("aller-retour"));
        db.setHostName(server.host);
        db.setPort(server.port);
        db.setDatabaseName(server.database);
        db.setUserName(server.user);
        if (!db.open())
            state.SkipWithError("no connection");
        QSqlQuery query(db);
        for (auto _ : state) {
            if (!query.exec(QStringLiteral("SELECT 1"))) {
                state.SkipWithError("SELECT 1 failed");
                break;
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("aller-retour"));
}
BENCHMARK(roundTrip)->Arg(kSocket)->Arg(kSlowLink)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velmaris::bench
