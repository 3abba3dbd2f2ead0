// SPDX-License-Identifier: GPL-3.0-or-later
// The office's index figures in a server register (a throwaway cluster): one
// row whoever writes it first, and a merge that refuses writes nothing.
#include "leasestore.h"
#include "pgcluster.h"
#include "testmain.h"

#include <QTest>
#include <QThread>

#include <latch>
#include <memory>

using namespace velmaris;
using namespace velmaris::test;

namespace {

QByteArray shipped()
{
    QFile file(QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The shipped file without its newest quarter: what a desk not yet updated holds.
QByteArray olderFile()
{
    QByteArray bytes = shipped();
    const qsizetype row = bytes.indexOf("\n42025\t");
    const qsizetype next = bytes.indexOf('\n', row + 1);
    return bytes.remove(row + 1, next - row);
}

// Seeds empty figures, holding the row locked for holdMs first.
IndexMerge seedWith(const QByteArray& bytes, int holdMs = 0)
{
    return [bytes, holdMs](const QByteArray& current) {
        QThread::msleep(holdMs);
        IndexChange change;
        if (current.isEmpty())
            change.bytes = bytes;
        return change;
    };
}

} // namespace

class TestIndexFigures : public QObject {
    Q_OBJECT

    PgCluster m_pg;
    int m_databases = 0;

    RegisterServer freshRegister()
    {
        const QString name = QStringLiteral("indices%1").arg(++m_databases);
        if (!m_pg.createDatabase(name))
            qWarning() << m_pg.why();
        return m_pg.server(name);
    }

private slots:
    void initTestCase()
    {
        if (!m_pg.start()) {
            if (PgCluster::binaries().isEmpty())
                QSKIP("PostgreSQL binaries not installed");
            QFAIL(qPrintable(m_pg.why()));
        }
    }
    void cleanupTestCase() { m_pg.stop(); }

    // The first desk locks the new row while it merges; the second waits,
    // then finds the first one's figures and has nothing to add.
    void racingSeedsLeaveOneRow()
    {
        const RegisterServer server = freshRegister();
        LeaseStore made; // the register exists before the desks race
        QVERIFY2(made.openServer(server), qPrintable(made.error()));
        std::latch ready(2);
        std::optional<LeaseStore::IndexFigures> got[2];
        QString errors[2];
        // Each desk on a thread of its own, with its own connection.
        const auto desk = [&](int i, const QByteArray& file, int waitMs, int holdMs) {
            return [&, i, file, waitMs, holdMs] {
                LeaseStore store;
                store.setBusyTimeout(10000);
                const bool opened = store.openServer(server);
                ready.arrive_and_wait();
                QThread::msleep(waitMs);
                if (opened)
                    got[i] = store.mergeIndexFigures(seedWith(file, holdMs));
                errors[i] = store.error();
            };
        };
        std::unique_ptr<QThread> one(QThread::create(desk(0, shipped(), 0, 300)));
        std::unique_ptr<QThread> two(QThread::create(desk(1, olderFile(), 100, 0)));
        one->start();
        two->start();
        one->wait();
        two->wait();
        QVERIFY2(got[0] && got[1], qPrintable(errors[0] + errors[1]));
        QCOMPARE(m_pg.value(server.database, QStringLiteral("SELECT count(*) FROM "
                                                            "velmaris.index_figures"))
                     .toInt(),
                 1);
        QCOMPARE(got[0]->version, 1);
        QCOMPARE(got[1]->version, 1);
        QCOMPARE(got[1]->content, shipped());
        QCOMPARE(got[1]->updatedBy, QString::fromLatin1(PgCluster::kUser));
    }

    void refusedMergeChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("saying");
        QTest::newRow("merge refuses") << QByteArray() << "l'IRL du 4è tr.2025 vaut 146,00"
                                       << "l'IRL du 4è tr.2025 vaut 146,00";
        QTest::newRow("not an index file")
            << QByteArray("<html>Not Found</html>") << QString() << "ne se lisent pas";
        QTest::newRow("a quarter twice")
            << olderFile().replace("\n32025\t", "\n22025\t") << QString() << "ne se lisent pas";
        QTest::newRow("a NUL") << QByteArray(shipped()).append('\0') << QString()
                               << "caractère nul";
    }
    void refusedMergeChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refusal);
        QFETCH(QString, saying);
        const RegisterServer server = freshRegister();
        LeaseStore desk, other;
        QVERIFY(desk.openServer(server) && other.openServer(server));
        QVERIFY(desk.mergeIndexFigures(seedWith(shipped())));
        bool seen = false; // the news is taken by the call: asked once until it comes
        QTRY_VERIFY(seen = seen || other.changedElsewhere());

        const auto refused = desk.mergeIndexFigures([&](const QByteArray&) {
            IndexChange change;
            change.bytes = bytes;
            change.refusal = refusal;
            return change;
        });
        QVERIFY(!refused);
        QCOMPARE(desk.errorKind(), StoreError::Refused);
        QVERIFY2(desk.error().contains(saying), qPrintable(desk.error()));
        const auto held = other.indexFigures();
        QVERIFY(held);
        QCOMPARE(held->version, 1);
        QCOMPARE(held->content, shipped());
        // Nothing was committed, so no desk was told of a change.
        QTest::qWait(200);
        QVERIFY(!other.changedElsewhere());
    }
};

VELMARIS_TEST(TestIndexFigures)
#include "tst_indexfigures.moc"
