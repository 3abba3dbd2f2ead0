// SPDX-License-Identifier: GPL-3.0-or-later
// The shared register from the command line: moving an office's register to
// the server and back, the server named by --register or by the settings, and
// what a command says when the server fails it (exit status 5).
#include "cli.h"
#include "clifixture.h"
#include "leasecsv.h"
#include "leasestore.h"
#include "pgcluster.h"
#include "testmain.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace velmaris;
using namespace velmaris::test;

namespace {

CommandLineResult run(const QString& folder, QStringList args)
{
    return runCommandLine(args, kShippedFile, folder);
}

Lease lease(const QString& reference, qint64 rent)
{
    Lease l;
    l.reference = reference;
    l.tenant = QStringLiteral("Mme Durand");
    l.postalCode = QStringLiteral("69003");
    l.signingDate = l.startDate = QDate(2019, 12, 10);
    l.referenceQuarter = Quarter(2019, 3);
    l.rentCents = rent;
    return l;
}

} // namespace

class TestCliServer : public QObject {
    Q_OBJECT

    PgCluster m_pg;
    bool m_up = false;

    // The address of a database of the cluster, the socket folder as ?host=.
    QString address(const QString& database, int port = PgCluster::kPort) const
    {
        return QStringLiteral("postgresql://%1@:%2/%3?host=%4")
            .arg(QString::fromLatin1(PgCluster::kUser))
            .arg(port)
            .arg(database, m_pg.socketFolder());
    }

private slots:
    void initTestCase()
    {
        m_up = m_pg.start();
        if (!m_up && PgCluster::binaries().isEmpty())
            QSKIP("PostgreSQL binaries not installed");
        QVERIFY2(m_up, qPrintable(m_pg.why()));
    }
    void cleanupTestCase() { m_pg.stop(); }

    void copyToServerAndBack()
    {
        QTemporaryDir office, back;
        {
            LeaseStore store;
            QVERIFY(store.open(office.path()));
            QVERIFY(store.importLeases(
                {lease(QStringLiteral("LYO-01"), 78050), lease(QStringLiteral("LYO-02"), 65000)}));
        }
        QVERIFY(m_pg.createDatabase(QStringLiteral("agence")));
        const QString server = address(QStringLiteral("agence"));
        CommandLineResult r = run(office.path(), {QStringLiteral("--copy-register"), server,
                                                  QStringLiteral("--data-folder"), office.path()});
        QVERIFY2(r.status == 0, qPrintable(r.error));
        QVERIFY2(r.output.contains(QStringLiteral("2\u00a0baux")), qPrintable(r.output));
        // Once there, never twice: nothing is written over the desks' work.
        r = run(office.path(), {QStringLiteral("--copy-register"), server,
                                QStringLiteral("--data-folder"), office.path()});
        QCOMPARE(r.status, 6);
        QVERIFY2(r.error.contains(QStringLiteral("n’est pas vide")), qPrintable(r.error));

        r = run(office.path(), {QStringLiteral("--leases"), QStringLiteral("--all"),
                                QStringLiteral("--register"), server});
        QVERIFY2(r.status == 0, qPrintable(r.error));
        QVERIFY(r.output.contains(QStringLiteral("LYO-02")));

        const QString copy = back.filePath(QStringLiteral("copie"));
        // What a copy killed in the middle left there goes.
        const QString left =
            QDir(copy).filePath(QStringLiteral(".copie-en-cours-%1-00c0ffee").arg(1 << 30));
        QVERIFY(QDir().mkpath(left));
        velmaris::test::writeAll(QDir(left).filePath(LeaseStore::fileName()), "à moitié");
        r = run(office.path(),
                {QStringLiteral("--register"), server, QStringLiteral("--copy-register"), copy});
        QVERIFY2(r.status == 0, qPrintable(r.error));
        QVERIFY(r.output.contains(QDir(copy).filePath(LeaseStore::fileName())));
        // Built aside, it took its name whole: nothing else is left in the folder.
        QCOMPARE(QDir(copy).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{LeaseStore::fileName()});
        LeaseStore store;
        QVERIFY(store.open(copy));
        QCOMPARE(store.leases()->size(), 2u);
    }

    // A copy killed at any moment, either way: the target holds the whole
    // register or none (no empty register that opens as one), and the next
    // copy goes through.
    void killedCopiesLeaveAllOrNothing()
    {
        constexpr int kLeases = 2000;
        QTemporaryDir office, back;
        {
            LeaseStore store;
            QVERIFY(store.open(office.path()));
            std::vector<Lease> leases;
            for (int i = 0; i < kLeases; ++i)
                leases.push_back(lease(QStringLiteral("K-%1").arg(i, 4, 10, QChar(u'0')), 70000));
            QVERIFY(store.importLeases(leases));
        }
        const auto copy = [&](const QStringList& args, int killAfterMs) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        QStringList{QStringLiteral("--copy-child"), office.path()} + args);
            if (!child.waitForStarted())
                return -1;
            if (killAfterMs >= 0) {
                QThread::msleep(killAfterMs);
                child.kill();
            }
            child.waitForFinished(60000);
            return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
        };
        // Server to folder.
        QVERIFY(m_pg.createDatabase(QStringLiteral("tuee")));
        const QString server = address(QStringLiteral("tuee"));
        QCOMPARE(copy({QStringLiteral("--copy-register"), server}, -1), 0);
        for (int ms : {5, 20, 40, 80, 160, 320}) {
            const QString target = back.filePath(QStringLiteral("copie-%1").arg(ms));
            copy({QStringLiteral("--register"), server, QStringLiteral("--copy-register"), target},
                 ms);
            const QString file = QDir(target).filePath(LeaseStore::fileName());
            if (QFile::exists(file)) {
                LeaseStore whole;
                QVERIFY(whole.open(target));
                QCOMPARE(int(whole.leases()->size()), kLeases);
                continue;
            }
            QCOMPARE(copy({QStringLiteral("--register"), server, QStringLiteral("--copy-register"),
                           target},
                          -1),
                     0);
            QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList{LeaseStore::fileName()});
        }
        // Folder to server: the server's transaction goes whole or not at all.
        for (int ms : {20, 80, 160, 400}) {
            const QString name = QStringLiteral("tuee%1").arg(ms);
            QVERIFY(m_pg.createDatabase(name));
            copy({QStringLiteral("--copy-register"), address(name)}, ms);
            LeaseStore there;
            if (!there.openServer(m_pg.server(name), Creation::Refused))
                continue; // killed before the schema was made
            const int count = int(there.leases()->size());
            QVERIFY2(count == 0 || count == kLeases, qPrintable(QString::number(count)));
            if (count == 0)
                QCOMPARE(copy({QStringLiteral("--copy-register"), address(name)}, -1), 0);
        }
    }

    // The settings' section REGISTRE names the server for every command.
    void serverFromSettings()
    {
        QTemporaryDir folder;
        QVERIFY(m_pg.createDatabase(QStringLiteral("reglee")));
        QFile ini(folder.filePath(QStringLiteral("Velmaris.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(
            QStringLiteral("[REGISTRE]\r\nHOST=%1\r\nPORT=%2\r\nDATABASE=reglee\r\nUSER=%3\r\n")
                .arg(m_pg.socketFolder())
                .arg(PgCluster::kPort)
                .arg(QString::fromLatin1(PgCluster::kUser))
                .toUtf8());
        ini.close();
        const QString csv = folder.filePath(QStringLiteral("baux.csv"));
        const QStringList exporting = {QStringLiteral("--export-leases"), csv,
                                       QStringLiteral("--data-folder"), folder.path()};
        // A command that reads never starts a register in a database without one.
        CommandLineResult r = run(folder.path(), exporting);
        QCOMPARE(r.status, kExitRegister);
        QVERIFY2(r.error.contains(QStringLiteral("ne contient pas de registre des baux")),
                 qPrintable(r.error));
        const QString schemas =
            QStringLiteral("SELECT count(*) FROM pg_namespace WHERE nspname = 'velmaris'");
        QCOMPARE(m_pg.value(QStringLiteral("reglee"), schemas).toInt(), 0);
        // An import does, in the register's own schema.
        Lease lease;
        lease.reference = QStringLiteral("REG-1");
        lease.postalCode = QStringLiteral("69003");
        lease.signingDate = lease.startDate = QDate(2021, 5, 1);
        lease.rentCents = 70000;
        velmaris::test::writeAll(csv, leasesToCsv({lease}));
        r = run(folder.path(), {QStringLiteral("--import-leases"), csv,
                                QStringLiteral("--data-folder"), folder.path()});
        QVERIFY2(r.status == 0, qPrintable(r.error));
        r = run(folder.path(), exporting);
        QVERIFY2(r.status == 0, qPrintable(r.error));
        QCOMPARE(m_pg.value(QStringLiteral("reglee"), QStringLiteral("SELECT version FROM "
                                                                     "velmaris.schema_version"))
                     .toInt(),
                 LeaseStore::kSchemaVersion);
        // The folder got no file.
        QVERIFY(!QFile::exists(folder.filePath(LeaseStore::fileName())));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("saying");
        QTest::newRow("server down")
            << QStringList{QStringLiteral("--leases"), QStringLiteral("--register"),
                           QStringLiteral("@down")}
            << 5 << "ne répond pas";
        QTest::newRow("no such database")
            << QStringList{QStringLiteral("--leases"), QStringLiteral("--register"),
                           QStringLiteral("@absente")}
            << 5 << "n’existe pas";
        QTest::newRow("address unreadable")
            << QStringList{QStringLiteral("--leases"), QStringLiteral("--register"),
                           QStringLiteral("postgresql://hote")}
            << 2 << "le nom de la base manque";
        QTest::newRow("backup of a server")
            << QStringList{QStringLiteral("--backup"), QStringLiteral("@tmp/sauvegarde.sqlite"),
                           QStringLiteral("--register"), QStringLiteral("@sauvee")}
            << 2 << "ne concerne que le registre en fichier SQLite";
    }
    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, saying);
        QTemporaryDir folder;
        for (QString& arg : args) {
            if (arg == u"@down")
                arg = address(QStringLiteral("postgres"), 5999);
            else if (arg == u"@sauvee") {
                LeaseStore made; // a register to save
                if (m_pg.createDatabase(QStringLiteral("sauvee")))
                    QVERIFY(made.openServer(m_pg.server(QStringLiteral("sauvee"))));
                arg = address(QStringLiteral("sauvee"));
            } else if (arg.startsWith(u"@tmp/"))
                arg = folder.filePath(arg.mid(5));
            else if (arg.startsWith(u'@'))
                arg = address(arg.mid(1));
        }
        const CommandLineResult r = run(folder.path(), args);
        QCOMPARE(r.status, status);
        QVERIFY2(r.error.contains(saying), qPrintable(r.error));
        QVERIFY(QDir(folder.path()).isEmpty()); // nothing left behind
    }
};

VELMARIS_TEST(TestCliServer)
// A copy run in a process of its own, to be killed: folder, then the command's arguments.
VELMARIS_TEST_CHILD("--copy-child", [](int argc, char** argv) {
    QStringList args;
    for (int i = 3; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    return run(folder, args << QStringLiteral("--data-folder") << folder).status;
})
#include "tst_cliserver.moc"
