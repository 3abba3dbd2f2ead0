// SPDX-License-Identifier: GPL-3.0-or-later
// The register on both back ends, an SQLite file and a PostgreSQL server
// (a throwaway cluster): the same behaviours on each, several desks at once,
// the copy from one to the other.
#include "datafolder.h"
#include "leasefixture.h"
#include "leasestore.h"
#include "pgcluster.h"
#include "testmain.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <latch>
#include <memory>

using namespace velmaris;
using namespace velmaris::test;

namespace {

std::vector<Lease> someLeases(const QString& prefix, int count)
{
    std::vector<Lease> leases;
    for (int i = 0; i < count; ++i)
        leases.push_back(makeLease(prefix + QString::number(i), day("01/07/2020"), 70000 + i));
    return leases;
}

// Two desks, each on a thread of its own (a QThread: the server's
// notifications need one), started together and waited for.
template <typename A, typename B> void runTogether(A a, B b)
{
    std::unique_ptr<QThread> first(QThread::create(a)), second(QThread::create(b));
    first->start();
    second->start();
    first->wait();
    second->wait();
}

} // namespace

class SharedRegister : public QObject {
    Q_OBJECT

    PgCluster m_pg;
    bool m_pgUp = false;
    int m_databases = 0;
    std::vector<std::unique_ptr<QTemporaryDir>> m_folders;

    // A new empty register on the back end of the current row; its address
    // for every desk (store) the test opens on it.
    struct Register {
        QString folder;
        std::optional<RegisterServer> server;
        bool open(LeaseStore& store) const
        {
            return server ? store.openServer(*server) : store.open(folder);
        }
    };
    Register freshRegister()
    {
        QFETCH(bool, onServer);
        Register reg;
        if (onServer) {
            if (!m_pgUp)
                return reg;
            const QString name = QStringLiteral("registre%1").arg(++m_databases);
            if (!m_pg.createDatabase(name))
                qWarning() << m_pg.why();
            reg.server = m_pg.server(name);
        } else {
            m_folders.push_back(std::make_unique<QTemporaryDir>());
            reg.folder = m_folders.back()->path();
        }
        return reg;
    }

    void backEnds()
    {
        QTest::addColumn<bool>("onServer");
        QTest::newRow("sqlite") << false;
        QTest::newRow("postgresql") << true;
    }
    void skipWithoutServer()
    {
        QFETCH(bool, onServer);
        if (onServer && !m_pgUp)
            QSKIP(qPrintable(QStringLiteral("PostgreSQL unavailable: ") + m_pg.why()));
    }

private slots:
    void initTestCase()
    {
        m_pgUp = m_pg.start();
        if (!m_pgUp && !PgCluster::binaries().isEmpty())
            QFAIL(qPrintable(m_pg.why())); // installed but not working: a fault, not a skip
    }
    void cleanupTestCase() { m_pg.stop(); }

    void leaseLifeCycle_data() { backEnds(); }
    void leaseLifeCycle()
    {
        skipWithoutServer();
        const Register reg = freshRegister();
        LeaseStore store;
        QVERIFY2(reg.open(store), qPrintable(store.error()));
        Lease lease = makeLease(QStringLiteral("A-1"), day("15/03/2021"), 81234);
        lease.town = QStringLiteral("Lyon");
        lease.notes = QStringLiteral("l’été «\u00a0chaud\u00a0»");
        const auto id = store.addLease(lease);
        QVERIFY2(id, qPrintable(store.error()));
        const auto read = store.lease(*id);
        QVERIFY(read);
        QCOMPARE(read->reference, lease.reference);
        QCOMPARE(read->notes, lease.notes);
        QCOMPARE(read->town, lease.town);
        QCOMPARE(read->startDate, lease.startDate);
        QCOMPARE(read->rentCents, 81234);
        QCOMPARE(read->version, 1);
        QVERIFY(!store.addLease(lease)); // the reference is taken
        QCOMPARE(store.errorKind(), StoreError::Refused);

        Lease changed = *read;
        changed.rentCents = 82000;
        QVERIFY2(store.updateLease(changed), qPrintable(store.error()));
        QVERIFY(!store.updateLease(changed)); // read at version 1, now 2
        QCOMPARE(store.errorKind(), StoreError::Conflict);

        // The history goes with its lease, and only so.
        QVERIFY2(store.appendRevision(revisionOf(*store.lease(*id), day("15/03/2024"), 84000)),
                 qPrintable(store.error()));
        QVERIFY(!store.removeLease(*id, 2));
        QCOMPARE(store.errorKind(), StoreError::Conflict);
        QVERIFY2(store.removeLease(*id, 3), qPrintable(store.error()));
        QVERIFY(!store.lease(*id));
        QCOMPARE(store.errorKind(), StoreError::NotFound);
        QCOMPARE(store.history(*id)->size(), 0u);
    }

    void historyRecordsWhoAndWhen_data() { backEnds(); }
    void historyRecordsWhoAndWhen()
    {
        skipWithoutServer();
        const Register reg = freshRegister();
        LeaseStore store;
        QVERIFY2(reg.open(store), qPrintable(store.error()));
        const Lease lease = makeLease(QStringLiteral("H-1"), day("01/02/2020"), 60000);
        const qint64 id = *store.addLease(lease);
        RevisionRecord rec = revisionOf(*store.lease(id), day("01/02/2024"), 61980);
        rec.appliedBy = QStringLiteral("Mme Lefèvre");
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        QVERIFY2(store.appendRevision(rec, 1), qPrintable(store.error()));
        // A record of an earlier date, or from a rent that is no longer the lease's.
        QVERIFY(!store.appendRevision(revisionOf(*store.lease(id), day("01/02/2023"), 62000)));
        QVERIFY(!store.appendRevision(rec));
        const auto history = store.history(id);
        QCOMPARE(history->size(), 1u);
        QCOMPARE(history->front().appliedBy, QStringLiteral("Mme Lefèvre"));
        QVERIFY(history->front().appliedAt >= before);
        QCOMPARE(history->front().baseValue, 140.59);
        QCOMPARE(store.lastRevisions()->front().appliedBy, QStringLiteral("Mme Lefèvre"));
        QCOMPARE(store.lease(id)->rentCents, 61980);

        // A revision applied now: the server's role, or the system's account,
        // whatever the environment claims.
        QFETCH(bool, onServer);
        const QByteArray user = qgetenv("USER");
        qputenv("USER", "directeur");
        const bool applied =
            store.appendRevision(revisionOf(*store.lease(id), day("01/02/2025"), 63000))
                .has_value();
        qputenv("USER", user);
        QVERIFY2(applied, qPrintable(store.error()));
        QCOMPARE(store.history(id)->back().appliedBy,
                 onServer ? QString::fromLatin1(PgCluster::kUser) : accountName());

        // The letters that went out, with who sent them; none for a lease gone.
        QVERIFY2(store.recordLetterSent({0, id, day("01/02/2026"), day("10/01/2026"),
                                         LetterChannel::Email, {}, {}}),
                 qPrintable(store.error()));
        QVERIFY(store.recordLetterSent({0, id, day("01/02/2026"), day("12/01/2026"),
                                        LetterChannel::Printed, QStringLiteral("accueil"), {}}));
        const auto letters = store.lettersSent(id);
        QCOMPARE(letters->size(), 2u);
        QCOMPARE(sentLetterText(letters->front()),
                 QStringLiteral("lettre envoyée le 10/01/2026, par courriel"));
        QCOMPARE(letters->front().sentBy,
                 onServer ? QString::fromLatin1(PgCluster::kUser) : accountName());
        QCOMPARE(letterSentFor(*letters, day("01/02/2026")), day("12/01/2026"));
        QVERIFY(!store.recordLetterSent({0, id + 100, day("01/02/2026"), day("10/01/2026"),
                                         LetterChannel::Pdf, {}, {}}));
        QCOMPARE(store.errorKind(), StoreError::NotFound);
        QVERIFY(store.removeLease(id));
        QCOMPARE(store.lettersSent(id)->size(), 0u);
    }

    // Many revisions at once: one refused (its lease changed) and none is recorded.
    void revisionsAllOrNothing_data() { backEnds(); }
    void revisionsAllOrNothing()
    {
        skipWithoutServer();
        const Register reg = freshRegister();
        LeaseStore store;
        QVERIFY2(reg.open(store), qPrintable(store.error()));
        QVERIFY(store.importLeases(someLeases(QStringLiteral("R-"), 3)));
        std::vector<RevisionRecord> records;
        std::vector<qint64> versions;
        const std::vector<Lease> leases = *store.leases();
        for (const Lease& lease : leases) {
            records.push_back(revisionOf(lease, day("01/07/2024"), lease.rentCents + 1000));
            versions.push_back(lease.version);
        }
        Lease changed = *store.findLease(QStringLiteral("R-2"));
        changed.tenant = QStringLiteral("M. Martin");
        QVERIFY(store.updateLease(changed));
        int failed = -1;
        QVERIFY(!store.appendRevisions(records, versions, &failed));
        QCOMPARE(failed, 2);
        QCOMPARE(store.errorKind(), StoreError::Conflict);
        QVERIFY(store.lastRevisions()->empty());
        QCOMPARE(store.findLease(QStringLiteral("R-0"))->rentCents, 70000);
        versions[2] = changed.version + 1;
        QVERIFY2(store.appendRevisions(records, versions, &failed), qPrintable(store.error()));
        QCOMPARE(store.lastRevisions()->size(), 3u);
    }

    void importAllOrNothing_data() { backEnds(); }
    void importAllOrNothing()
    {
        skipWithoutServer();
        const Register reg = freshRegister();
        LeaseStore store;
        QVERIFY2(reg.open(store), qPrintable(store.error()));
        QVERIFY(store.importLeases(someLeases(QStringLiteral("I-"), 3)));
        std::vector<int> clashes;
        auto again = someLeases(QStringLiteral("J-"), 4);
        again[2].reference = QStringLiteral("I-1");
        QVERIFY(!store.importLeases(again, &clashes));
        QCOMPARE(clashes, std::vector<int>{2});
        QCOMPARE(store.leases()->size(), 3u);
        QVERIFY(store.setChargedRents(store.findLease(QStringLiteral("I-0"))->id,
                                      {{day("01/07/2021"), 70000, {}}}));
        QCOMPARE(store.chargedRents(store.findLease(QStringLiteral("I-0"))->id)->size(), 1u);
    }

    // Two desks apply a revision at the same moment: on one lease exactly one
    // wins, the other is told the lease changed; on two leases both win.
    void simultaneousApplies_data()
    {
        QTest::addColumn<bool>("onServer");
        QTest::addColumn<bool>("sameLease");
        QTest::newRow("sqlite, one lease") << false << true;
        QTest::newRow("sqlite, two leases") << false << false;
        QTest::newRow("postgresql, one lease") << true << true;
        QTest::newRow("postgresql, two leases") << true << false;
    }
    void simultaneousApplies()
    {
        skipWithoutServer();
        QFETCH(bool, sameLease);
        const Register reg = freshRegister();
        LeaseStore setup;
        QVERIFY2(reg.open(setup), qPrintable(setup.error()));
        QVERIFY(setup.importLeases(someLeases(QStringLiteral("S-"), 2)));
        const Lease first = *setup.findLease(QStringLiteral("S-0"));
        const Lease second = *setup.findLease(QStringLiteral("S-1"));
        std::latch ready(2);
        bool won[2] = {false, false};
        StoreError kinds[2] = {StoreError::None, StoreError::None};
        auto desk = [&](int n, const Lease& lease) {
            LeaseStore store;
            store.setBusyTimeout(10000);
            const bool opened = reg.open(store);
            ready.arrive_and_wait();
            won[n] = opened
                     && store
                            .appendRevision(revisionOf(lease, day("01/07/2024"), 72000 + n),
                                            lease.version)
                            .has_value();
            kinds[n] = store.errorKind();
        };
        const Lease other = sameLease ? first : second;
        runTogether([&] { desk(0, first); }, [&] { desk(1, other); });
        if (sameLease) {
            QCOMPARE(int(won[0]) + int(won[1]), 1);
            QCOMPARE(kinds[won[0] ? 1 : 0], StoreError::Conflict);
            QCOMPARE(setup.history(first.id)->size(), 1u);
        } else {
            QVERIFY(won[0] && won[1]);
            QCOMPARE(setup.history(second.id)->size(), 1u);
        }
    }

    void importWhileAnotherDeskEdits_data() { backEnds(); }
    void importWhileAnotherDeskEdits()
    {
        skipWithoutServer();
        const Register reg = freshRegister();
        LeaseStore setup;
        QVERIFY2(reg.open(setup), qPrintable(setup.error()));
        const qint64 id =
            *setup.addLease(makeLease(QStringLiteral("E-1"), day("01/07/2020"), 50000));
        std::latch ready(2);
        bool imported = false, edited = false;
        runTogether(
            [&] {
                LeaseStore store;
                store.setBusyTimeout(10000);
                const bool opened = reg.open(store);
                ready.arrive_and_wait();
                imported = opened && store.importLeases(someLeases(QStringLiteral("N-"), 300));
            },
            [&] {
                LeaseStore store;
                store.setBusyTimeout(10000);
                const bool opened = reg.open(store);
                ready.arrive_and_wait();
                for (int i = 0; opened && i < 20; ++i) {
                    Lease lease = *store.lease(id);
                    lease.tenant = QStringLiteral("M. Petit %1").arg(i);
                    edited = store.updateLease(lease);
                    if (!edited)
                        break;
                }
            });
        QVERIFY(imported);
        QVERIFY(edited);
        QCOMPARE(setup.leases()->size(), 301u);
        QCOMPARE(setup.lease(id)->version, 21);
    }

    // The window refreshes when another desk commits, not for its own writes.
    void changesOfOtherDesksAreSeen_data() { backEnds(); }
    void changesOfOtherDesksAreSeen()
    {
        skipWithoutServer();
        const Register reg = freshRegister();
        LeaseStore mine, theirs;
        QVERIFY(reg.open(mine) && reg.open(theirs));
        QVERIFY(mine.addLease(makeLease(QStringLiteral("C-1"), day("01/07/2020"), 50000)));
        QCoreApplication::processEvents();
        QVERIFY(!mine.changedElsewhere());
        QVERIFY(theirs.addLease(makeLease(QStringLiteral("C-2"), day("01/07/2020"), 50000)));
        bool seen = false; // the news is taken by the call: asked once until it comes
        QTRY_VERIFY(seen = seen || mine.changedElsewhere());
        QVERIFY(!mine.changedElsewhere());
    }

    // SQLite to the server and back: every row, its id, and the counts.
    void copyBetweenBackEnds()
    {
        if (!m_pgUp)
            QSKIP(qPrintable(QStringLiteral("PostgreSQL unavailable: ") + m_pg.why()));
        QTemporaryDir from, back;
        LeaseStore file, server, copy;
        QVERIFY(file.open(from.path()));
        QVERIFY(file.importLeases(someLeases(QStringLiteral("K-"), 5)));
        QVERIFY(file.removeLease(file.findLease(QStringLiteral("K-0"))->id)); // ids with a gap
        const Lease lease = *file.findLease(QStringLiteral("K-3"));
        QVERIFY(file.appendRevision(revisionOf(lease, day("01/07/2024"), 71000)));
        QVERIFY(file.setChargedRents(lease.id, {{day("01/07/2021"), 70003, day("25/06/2021")}}));
        Lease mailed = *file.lease(lease.id);
        mailed.tenantEmail = QStringLiteral("durand@exemple.fr");
        QVERIFY(file.updateLease(mailed));
        QVERIFY(file.recordLetterSent({0, lease.id, day("01/07/2024"), day("20/06/2024"),
                                       LetterChannel::Email, {}, {}}));
        QVERIFY(m_pg.createDatabase(QStringLiteral("copie")));
        QVERIFY2(server.openServer(m_pg.server(QStringLiteral("copie"))),
                 qPrintable(server.error()));
        QVERIFY2(file.copyInto(server), qPrintable(file.error()));
        QVERIFY(!file.copyInto(server)); // not empty any more: nothing written twice
        QVERIFY2(copy.open(back.path()), qPrintable(copy.error()));
        QVERIFY2(server.copyInto(copy), qPrintable(server.error()));
        for (LeaseStore* store : {&server, &copy}) {
            QCOMPARE(store->leases()->size(), 4u);
            const Lease there = *store->findLease(QStringLiteral("K-3"));
            QCOMPARE(there.id, lease.id);
            QCOMPARE(there.rentCents, 71000);
            QCOMPARE(store->history(lease.id)->size(), 1u);
            QCOMPARE(store->history(lease.id)->front().newValue, 145.17);
            QCOMPARE(store->chargedRents(lease.id)->front().requestDate, day("25/06/2021"));
            QCOMPARE(there.tenantEmail, QStringLiteral("durand@exemple.fr"));
            QCOMPARE(store->lettersSent(lease.id)->front().sentOn, day("20/06/2024"));
        }
        // The server's next id follows the copied ones.
        QCOMPARE(*server.addLease(makeLease(QStringLiteral("K-9"), day("01/07/2020"), 1000)),
                 lease.id + 2);
    }
};

VELMARIS_TEST(SharedRegister)
#include "tst_sharedregister.moc"
