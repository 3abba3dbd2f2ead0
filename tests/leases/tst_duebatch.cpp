// SPDX-License-Identifier: GPL-3.0-or-later
// The month's batch on both back ends: what is recorded, what is not and why,
// and two desks running it at once recording each revision once; long work
// stopped half-way leaves the register as it was.
#include "duebatch.h"
#include "leasefixture.h"
#include "leasestore.h"
#include "pgcluster.h"
#include "testmain.h"

#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

namespace {

const QDate kDate(2025, 11, 20);

Lease lease(const char* reference, const char* start)
{
    Lease l = makeLease(QString::fromLatin1(reference), day(start), 85000);
    l.referenceQuarter = Quarter(2024, 2);
    return l;
}

Lease corsican(const char* reference)
{
    Lease l = lease(reference, "01/09/2024");
    l.postalCode = QStringLiteral("20000");
    l.territory = Territory::Corse; // its 2nd quarter 2025 is not in the file
    return l;
}

// Reference → what the batch says of it: "enregistrée", or the start of its reason.
using Outcomes = QMap<QString, QString>;

Outcomes outcomes(const DueBatch& batch)
{
    Outcomes result;
    for (const DueRevision& item : batch.items)
        result.insert(item.lease.reference,
                      item.recorded ? QStringLiteral("enregistrée") : item.reason);
    return result;
}

} // namespace

class DueBatchTest : public QObject {
    Q_OBJECT

    PgCluster m_pg;
    bool m_pgUp = false;
    QTemporaryDir m_dir;
    int m_count = 0;

    bool open(LeaseStore& store, bool server, const QString& name)
    {
        if (server)
            return store.openServer(m_pg.server(name));
        QDir().mkpath(m_dir.filePath(name));
        return store.open(m_dir.filePath(name));
    }
    QString fresh(bool server)
    {
        const QString name = QStringLiteral("lot%1").arg(++m_count);
        if (server)
            m_pg.createDatabase(name);
        return name;
    }

private slots:
    void initTestCase()
    {
        m_pgUp = m_pg.start();
        if (!m_pgUp && !PgCluster::binaries().isEmpty())
            QFAIL(qPrintable(m_pg.why()));
    }
    void cleanupTestCase() { m_pg.stop(); }

    void batch_data()
    {
        QTest::addColumn<bool>("server");
        QTest::newRow("file") << false;
        QTest::newRow("server") << true;
    }
    void batch()
    {
        QFETCH(bool, server);
        if (server && !m_pgUp)
            QSKIP("PostgreSQL unavailable");
        const QString name = fresh(server);
        LeaseStore desk;
        QVERIFY2(open(desk, server, name), qPrintable(desk.error()));
        Lease frozen = corsican("GELE");
        frozen.dpeClass = DpeClass::G;
        QVERIFY(desk.importLeases({lease("DUE", "01/10/2024"), lease("PERDUE", "01/09/2023"),
                                   lease("PAS-ENCORE", "01/03/2025"), lease("AUTRE", "01/10/2024"),
                                   corsican("INDICE"), frozen}));
        const IndexTable table = realTable();
        std::optional<DueBatch> batch = planDueRevisions(desk, table, kDate);
        QVERIFY(batch);
        // Another desk changes a lease between the list and the recording.
        {
            LeaseStore other;
            QVERIFY(open(other, server, name));
            Lease changed = *other.findLease(QStringLiteral("AUTRE"));
            changed.tenant = QStringLiteral("M. Petit");
            QVERIFY(other.updateLease(changed));
        }
        QVERIFY2(applyDueRevisions(desk, *batch), qPrintable(desk.error()));
        const Outcomes got = outcomes(*batch);
        // Not yet due, or frozen (an F/G lease under the freeze): not in the batch.
        QCOMPARE(got.keys(), (QStringList{QStringLiteral("AUTRE"), QStringLiteral("DUE"),
                                          QStringLiteral("INDICE"), QStringLiteral("PERDUE")}));
        QCOMPARE(got[QStringLiteral("DUE")], QStringLiteral("enregistrée"));
        QCOMPARE(got[QStringLiteral("PERDUE")], QStringLiteral("enregistrée"));
        QCOMPARE(got[QStringLiteral("AUTRE")],
                 QStringLiteral("Ce bail a été modifié par ailleurs depuis son ouverture."));
        QVERIFY2(got[QStringLiteral("INDICE")].startsWith(QStringLiteral("Indice manquant")),
                 qPrintable(got[QStringLiteral("INDICE")]));
        // The register holds what the batch says, rent and history together.
        for (const DueRevision& item : batch->items) {
            const Lease now = *desk.findLease(item.lease.reference);
            QCOMPARE(int(desk.history(now.id)->size()), item.recorded ? 1 : 0);
            if (item.recorded)
                QCOMPARE(now.rentCents, item.revision.newRentCents);
        }
    }

    // Two desks list the same month, then both record: each revision once.
    void twoDesksRecordOnce_data() { batch_data(); }
    void twoDesksRecordOnce()
    {
        QFETCH(bool, server);
        if (server && !m_pgUp)
            QSKIP("PostgreSQL unavailable");
        const QString name = fresh(server);
        LeaseStore first, second;
        QVERIFY(open(first, server, name) && open(second, server, name));
        std::vector<Lease> leases;
        for (int i = 0; i < 300; ++i)
            leases.push_back(
                makeLease(QStringLiteral("L-%1").arg(i), day("01/10/2024"), 70000 + i));
        QVERIFY(first.importLeases(leases));
        const IndexTable table = realTable();
        std::optional<DueBatch> a = planDueRevisions(first, table, kDate);
        std::optional<DueBatch> b = planDueRevisions(second, table, kDate);
        QVERIFY(a && b);
        QCOMPARE(a->recordableCount(), 300);
        QVERIFY(applyDueRevisions(first, *a));
        QVERIFY(applyDueRevisions(second, *b));
        QCOMPARE(a->recordedCount() + b->recordedCount(), 300);
        int recorded = 0;
        const std::vector<Lease> now = *first.leases();
        for (const Lease& l : now)
            recorded += int(first.history(l.id)->size());
        QCOMPARE(recorded, 300);
    }

    // "Annuler" half-way through an import, a batch or a copy: nothing written.
    void canceledWorkWritesNothing_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("work");
        for (const char* work : {"import", "batch", "copy"}) {
            QTest::addRow("file, %s", work) << false << QString::fromLatin1(work);
            QTest::addRow("server, %s", work) << true << QString::fromLatin1(work);
        }
        QTest::addRow("file, restore") << false << QStringLiteral("restore");
    }
    void canceledWorkWritesNothing()
    {
        QFETCH(bool, server);
        QFETCH(QString, work);
        if (server && !m_pgUp)
            QSKIP("PostgreSQL unavailable");
        const QString name = fresh(server);
        LeaseStore store;
        QVERIFY(open(store, server, name));
        std::vector<Lease> leases;
        for (int i = 0; i < 3000; ++i)
            leases.push_back(makeLease(QStringLiteral("C-%1").arg(i), day("01/10/2024"), 70000));
        const QString backup = m_dir.filePath(name + QStringLiteral("-vide.sqlite"));
        if (work == u"restore")
            QVERIFY(store.backupTo(backup));
        if (work != u"import")
            QVERIFY(store.importLeases(leases));
        LeaseStore target; // the copy's, empty
        if (work == u"copy")
            QVERIFY(open(target, !server, fresh(!server)));
        qint64 reported = 0;
        store.setProgress([&](qint64 done, qint64 total) {
            reported = done;
            return done < total / 2;
        });
        bool ok = true;
        if (work == u"import") {
            ok = store.importLeases(leases);
        } else if (work == u"batch") {
            std::optional<DueBatch> batch = planDueRevisions(store, realTable(), kDate);
            QVERIFY(batch);
            ok = applyDueRevisions(store, *batch);
        } else if (work == u"restore") {
            ok = store.restoreFrom(backup);
            QCOMPARE(QDir(m_dir.filePath(name)).entryList({QStringLiteral("*.bak")}),
                     QStringList());
        } else {
            ok = store.copyInto(target);
        }
        QVERIFY(!ok);
        QCOMPARE(store.errorKind(), StoreError::Canceled);
        QVERIFY(reported > 0);
        store.setProgress({});
        LeaseStore& written = work == u"copy" ? target : store;
        QCOMPARE(int(written.leases()->size()), work == u"batch" || work == u"restore" ? 3000 : 0);
        QCOMPARE(int(written.lastRevisions()->size()), 0);
    }
};

VELMARIS_TEST(DueBatchTest)
#include "tst_duebatch.moc"
