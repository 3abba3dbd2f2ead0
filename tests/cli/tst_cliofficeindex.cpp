// SPDX-License-Identifier: GPL-3.0-or-later
// The office's index figures on a shared register, from the command line: two
// desks whose files differ revise alike, a quarter one desk adds reaches the
// other's table, and a desk's changed past value is said and kept aside.
#include "cli.h"
#include "clifixture.h"
#include "deskmerge.h"
#include "leasestore.h"
#include "officefigures.h"
#include "pgcluster.h"
#include "testmain.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

namespace {

QByteArray shipped()
{
    QFile file(kShippedFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The shipped file without its newest quarter (4th 2025): a desk not yet updated.
QByteArray olderFile()
{
    QByteArray bytes = shipped();
    const qsizetype row = bytes.indexOf("\n42025\t");
    return bytes.remove(row + 1, bytes.indexOf('\n', row + 1) - row);
}

QByteArray fileOf(const QTemporaryDir& desk)
{
    QFile file(desk.filePath(QStringLiteral("VELMARIS.TXT")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCliOfficeIndex : public QObject {
    Q_OBJECT

    PgCluster m_pg;

    QString address(const QString& database) const
    {
        return QStringLiteral("postgresql://%1@:%2/%3?host=%4")
            .arg(QString::fromLatin1(PgCluster::kUser))
            .arg(PgCluster::kPort)
            .arg(database, m_pg.socketFolder());
    }

    // A register with one lease whose revision of 10/03/2026 takes the 4th quarter 2025.
    QString registerWithLease(const QString& database)
    {
        if (!m_pg.createDatabase(database))
            return {};
        LeaseStore store;
        Lease lease;
        lease.reference = QStringLiteral("LYO-7");
        lease.tenant = QStringLiteral("M. Bernard");
        lease.postalCode = QStringLiteral("69003");
        lease.signingDate = lease.startDate = QDate(2019, 3, 10);
        lease.referenceQuarter = Quarter(2018, 4);
        lease.rentCents = 80000;
        if (!store.openServer(m_pg.server(database)) || !store.addLease(lease))
            return {};
        return address(database);
    }

    // A command of the desk whose data folder is desk, on the register at server.
    CommandLineResult run(const QTemporaryDir& desk, const QString& server, QStringList args)
    {
        args << QStringLiteral("--register") << server << QStringLiteral("--data-folder")
             << desk.path();
        return runCommandLine(args, kShippedFile, desk.path());
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

    void desksReviseAlike()
    {
        const QString server = registerWithLease(QStringLiteral("bureau"));
        QVERIFY(!server.isEmpty());
        QTemporaryDir behind, ahead, odd;
        writeAll(behind.filePath(QStringLiteral("VELMARIS.TXT")), olderFile());
        writeAll(ahead.filePath(QStringLiteral("VELMARIS.TXT")), shipped());
        const QStringList revise = {QStringLiteral("--revise-lease"), QStringLiteral("LYO-7"),
                                    QStringLiteral("--request-date"), QStringLiteral("15/06/2026")};
        // The desk behind seeds the register, the one ahead completes it.
        CommandLineResult first = run(behind, server, revise);
        QVERIFY2(first.error.contains(QStringLiteral("pris du fichier des indices de ce poste")),
                 qPrintable(first.error));
        const CommandLineResult a = run(ahead, server, revise);
        QVERIFY2(a.status == 0, qPrintable(a.error));
        QVERIFY2(a.error.contains(QStringLiteral("complète ceux du registre")),
                 qPrintable(a.error));
        QVERIFY2(a.output.contains(QStringLiteral("4è tr.2025")), qPrintable(a.output));
        const CommandLineResult b = run(behind, server, revise);
        QCOMPARE(b.status, a.status);
        QCOMPARE(b.output, a.output);
        QCOMPARE(fileOf(behind), shipped()); // its copy of the register's figures

        // A desk whose file says otherwise of a published quarter is told, its
        // file kept aside, and it revises as the others do.
        QByteArray changed = shipped();
        changed.replace("42025\t145.78", "42025\t146.00");
        writeAll(odd.filePath(QStringLiteral("VELMARIS.TXT")), changed);
        const CommandLineResult o = run(odd, server, revise);
        QVERIFY2(o.error.contains(QStringLiteral("l'IRL du 4è tr.2025 vaut 146,00 dans le fichier "
                                                 "des indices de ce poste et 145,78 dans le "
                                                 "registre")),
                 qPrintable(o.error));
        QCOMPARE(o.output, a.output);
        QCOMPARE(fileOf(odd), shipped());
        const QStringList kept =
            QDir(odd.path()).entryList({QStringLiteral("VELMARIS.TXT.poste-*")});
        QCOMPARE(kept.size(), 1);
        QFile aside(odd.filePath(kept.first()));
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), changed);
    }

    void addedQuarterReachesTheOtherDesk()
    {
        const QString server = registerWithLease(QStringLiteral("saisie"));
        QVERIFY(!server.isEmpty());
        QTemporaryDir here, there;
        // The other desk, open on the register, holds its figures.
        LeaseStore store;
        QVERIFY(store.openServer(m_pg.server(QStringLiteral("saisie"))));
        IndexTable table;
        table.filePath = there.filePath(QStringLiteral("VELMARIS.TXT"));
        writeAll(table.filePath, shipped());
        const auto taken = takeOfficeFigures(store, table, &mergeDeskIndex);
        QVERIFY2(taken && taken->taken, qPrintable(store.error()));

        const CommandLineResult added =
            run(here, server,
                {QStringLiteral("--add-index"), QStringLiteral("12026"), QStringLiteral("146.60"),
                 QStringLiteral("--published"), QStringLiteral("15/04/2026")});
        QVERIFY2(added.status == 0, qPrintable(added.error));
        QVERIFY2(added.output.contains(QStringLiteral("ajouté aux indices du registre")),
                 qPrintable(added.output));
        QVERIFY(fileOf(here).contains("12026\t146.60"));

        // Told by the server, the other desk reads them again.
        bool told = false; // the news is taken by the call: asked once until it comes
        QTRY_VERIFY(told = told || store.changedElsewhere());
        const auto followed = followOfficeFigures(store, table, taken->version);
        QVERIFY2(followed, qPrintable(store.error()));
        QCOMPARE(followed->version, taken->version + 1);
        QCOMPARE(table.newestQuarter(), Quarter(2026, 1));
        QVERIFY(fileOf(there).contains("12026\t146.60"));
        // Typed by hand, it says so: INSEE may still correct it.
        QVERIFY(table.fileBytes.contains("1er tr.2026 saisi par l'utilisateur"));
    }
};

VELMARIS_TEST(TestCliOfficeIndex)
#include "tst_cliofficeindex.moc"
