// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the benchmarks of the lease register share: 10,000 leases written once
// to a SQLite file and copied to a throwaway PostgreSQL cluster, reached
// either on its Unix socket or through velmaris_latency_proxy.
#include "indexfile.h"
#include "lease.h"
#include "leasestore.h"
#include "pgcluster.h"

#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <vector>

namespace velmaris::bench {

inline constexpr int kLeases = 10000;
inline const QDate kToday(2025, 10, 20);

// Where a benchmark finds the register: its argument.
enum Link : int {
    kFile = 0,     // the SQLite file
    kSocket = 1,   // the server on its Unix socket
    kSlowLink = 2, // the server through the proxy, about 1 ms more per round trip
};

const IndexTable& table();
std::vector<Lease> makeLeases();

// The register, every other lease revised last year, in its folder and in the
// server's database "registre".
struct Register {
    QTemporaryDir dir;
    std::vector<Lease> leases;
    std::vector<RevisionRecord> last;
    velmaris::test::PgCluster pg;
    bool pgUp = false;
    QProcess proxy;
    int proxyPort = 0;
    int databases = 0;

    Register();
    ~Register();
    // Database `name` of the server, reached as link says.
    RegisterServer server(const QString& name, Link link) const;
    bool open(LeaseStore& store, Link link);
    // A new empty database on the server, or a new folder; the store opened there.
    bool openEmpty(LeaseStore& store, Link link, std::unique_ptr<QTemporaryDir>& folder);
    // A working copy of the register, for a benchmark that writes.
    bool openCopy(LeaseStore& store, Link link, std::unique_ptr<QTemporaryDir>& folder);
};

Register& reg();
// The register, its cluster and the proxy gone (before the application is).
void endRegister();

// The state's link, its label set; nothing, the benchmark skipped, when that
// link is not there.
std::optional<Link> linkOf(benchmark::State& state);

// Each of the three links, wall-clock, in milliseconds.
void onEveryLink(benchmark::internal::Benchmark* b);

} // namespace velmaris::bench
