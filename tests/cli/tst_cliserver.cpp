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
        QVERIFY2(r.output.contains(QStringLiteral("2 bail(s)")), qPrintable(r.output));
        // Once there, never twice: nothing is written over the desks' work.
        r = run(office.path(), {QStringLiteral("--copy-register"), server,
                                QStringLiteral("--data-folder"), office.path()});
        QCOMPARE(r.status, 6);
        QVERIFY2(r.error.contains(QStringLiteral("n'est pas vide")), qPrintable(r.error));

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
            << 5 << "n'existe pas";
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
#include "tst_cliserver.moc"
