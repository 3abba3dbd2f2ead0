// SPDX-License-Identifier: GPL-3.0-or-later
// A register of every earlier version, in a file and on a server, brought to
// the typed schema: what it held reads the same, and what the program would
// refuse is refused by the register itself, or stops the migration by name.
#include "leasefixture.h"
#include "leasestore.h"
#include "leasestore_p.h"
#include "pgcluster.h"
#include "testmain.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

class SchemaMigration : public QObject {
    Q_OBJECT

    PgCluster m_pg;
    bool m_pgUp = false;
    QTemporaryDir m_dir;
    int m_count = 0;

    // An empty register of the given back end: a connection to fill it by
    // hand, and the store that opens it.
    struct Register {
        QSqlDatabase raw;
        std::function<bool(LeaseStore&)> open;
    };
    Register make(bool server)
    {
        const QString name = QStringLiteral("v%1").arg(++m_count);
        if (server) {
            m_pg.createDatabase(name);
            QSqlDatabase db = m_pg.connection(name);
            QSqlQuery(db).exec(
                QStringLiteral("CREATE SCHEMA velmaris; SET search_path = velmaris"));
            const RegisterServer address = m_pg.server(name);
            return {db, [address](LeaseStore& s) { return s.openServer(address); }};
        }
        const QString folder = m_dir.filePath(name);
        QDir().mkpath(folder);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder + QStringLiteral("/Velmaris.sqlite"));
        db.open();
        return {db, [folder](LeaseStore& s) { return s.open(folder); }};
    }

    static bool exec(QSqlDatabase db, const QString& sql)
    {
        QSqlQuery query(db);
        if (!query.exec(sql))
            qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        return query.lastError().type() == QSqlError::NoError;
    }

    // One lease with its revision (and, from version 3, a rent charged), in
    // the columns every version has; the dates that may be absent are.
    static bool fill(QSqlDatabase db, int version)
    {
        bool ok =
            exec(db,
                 QStringLiteral("INSERT INTO leases (reference, postal_code, furnished, "
                                "signing_date, start_date, reference_quarter, clause, rent_cents, "
                                "charges_cents) VALUES ('M-1', '20000', '1', '2019-10-15', "
                                "'2019-11-01', '32019', 'hausse_baisse', 81234, 4000)"))
            && exec(db,
                    QStringLiteral("INSERT INTO revisions (lease_id, due_date, request_date, "
                                   "effective_date, old_rent_cents, new_rent_cents, base_quarter, "
                                   "base_value, new_quarter, new_value, series) VALUES (1, "
                                   "'2020-11-01', '2020-11-20', '2020-11-20', 81234, 81532, "
                                   "'32019', 129.99, '32020', 130.59, 'irl')"));
        if (version >= 3)
            ok = ok
                 && exec(db, QStringLiteral("INSERT INTO charged_rents (lease_id, month, "
                                            "rent_cents) VALUES (1, '2020-12-01', 81532)"));
        return ok;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_pgUp = m_pg.start();
        if (!m_pgUp && !PgCluster::binaries().isEmpty())
            QFAIL(qPrintable(m_pg.why()));
    }
    void cleanupTestCase() { m_pg.stop(); }

    void fromEveryVersion_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<int>("version");
        for (int version = 1; version < LeaseStore::kSchemaVersion; ++version)
            for (bool server : {false, true})
                QTest::addRow("%s, version %d", server ? "server" : "file", version)
                    << server << version;
    }
    void fromEveryVersion()
    {
        QFETCH(bool, server);
        QFETCH(int, version);
        if (server && !m_pgUp)
            QSKIP("PostgreSQL unavailable");
        Register reg = make(server);
        for (const QString& sql : storeinternal::migrationSteps(0, server, version))
            QVERIFY(exec(reg.raw, sql));
        QVERIFY(fill(reg.raw, version));

        LeaseStore store;
        QVERIFY2(reg.open(store), qPrintable(store.error()));
        const Lease lease = *store.findLease(QStringLiteral("M-1"));
        QCOMPARE(lease.signingDate, QDate(2019, 10, 15));
        QCOMPARE(lease.dpeDate, QDate());
        QCOMPARE(lease.priorRevision, QDate());
        QVERIFY(lease.furnished);
        if (version == 1) // it knew the territory only from the postal code
            QCOMPARE(lease.territory, Territory::Corse);
        const RevisionRecord rec = store.history(lease.id)->front();
        QCOMPARE(rec.requestDate, QDate(2020, 11, 20));
        QCOMPARE(rec.newValue, 130.59);
        QCOMPARE(rec.appliedAt, QDateTime());
        if (version >= 3)
            QCOMPARE(store.chargedRents(lease.id)->front().month, QDate(2020, 12, 1));
        // Its lease gets the desk's own landlord as owner, of the kind it had.
        QCOMPARE(lease.ownerId, 0);
        const auto told = store.adoptLandlord(
            QStringLiteral("Jean Dupont"),
            {QStringLiteral("4 place Bellecour"), QStringLiteral("69002 LYON")});
        QVERIFY2(told && told->contains(QStringLiteral("(1\u00a0bail)")), qPrintable(store.error()));
        const Owner owner = *store.owner(store.findLease(QStringLiteral("M-1"))->ownerId);
        QCOMPARE(owner.name, QStringLiteral("Jean Dupont"));
        QCOMPARE(owner.town, QStringLiteral("LYON"));
        QCOMPARE(owner.kind, OwnerKind::Person);
        // The migrated register takes new work as a new one would.
        Lease other = makeLease(QStringLiteral("M-2"), day("15/03/2023"), 70000);
        QVERIFY2(store.addLease(other), qPrintable(store.error()));

        if (server) {
            const QString types =
                m_pg.value(reg.raw.databaseName(),
                           QStringLiteral("SELECT string_agg(data_type, ',' ORDER BY "
                                          "column_name) FROM information_schema.columns "
                                          "WHERE table_schema = 'velmaris' AND "
                                          "column_name IN ('signing_date', 'furnished', "
                                          "'base_value', 'month', 'applied_at')"))
                    .toString();
            QCOMPARE(types, QStringLiteral("timestamp with time zone,numeric,boolean,date,date"));
        }
        // Another tool's write is refused by the register itself.
        for (const char* bad :
             {"UPDATE leases SET postal_code = '6900' WHERE reference = 'M-1'",
              "UPDATE leases SET clause = 'baisse' WHERE reference = 'M-1'",
              "UPDATE leases SET rent_cents = 0 WHERE reference = 'M-1'",
              "UPDATE leases SET signing_date = '2019-02-30' WHERE reference = 'M-1'",
              "INSERT INTO charged_rents (lease_id, month, rent_cents) VALUES (1, '2021-01-01', "
              "-5)"}) {
            QSqlQuery query(reg.raw);
            QVERIFY2(!query.exec(QString::fromLatin1(bad)), bad);
        }
    }

    // A backup of the first version restores as the register would migrate:
    // its territories from the postal codes.
    void firstVersionBackupRestores()
    {
        Register backup = make(false);
        for (const QString& sql : storeinternal::migrationSteps(0, false, 1))
            QVERIFY(exec(backup.raw, sql));
        QVERIFY(fill(backup.raw, 1));
        const QString source = backup.raw.databaseName();
        backup.raw.close();
        LeaseStore store;
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("restored"))));
        QVERIFY(store.open(m_dir.filePath(QStringLiteral("restored"))));
        QVERIFY2(store.restoreFrom(source), qPrintable(store.error()));
        QCOMPARE(store.findLease(QStringLiteral("M-1"))->territory, Territory::Corse);
    }

    // A value the typed schema would refuse stops the migration, naming the
    // lease and the value, and leaves the register as it was.
    void refusedValueStopsTheMigration_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("named");
        for (bool server : {false, true}) {
            const char* side = server ? "server" : "file";
            QTest::addRow("%s, date", side)
                << server << "UPDATE leases SET signing_date = '15/10/2019'"
                << "bail «\u00a0M-1\u00a0»\u00a0: date de signature «\u00a015/10/2019\u00a0»";
            QTest::addRow("%s, impossible day", side)
                << server << "UPDATE charged_rents SET month = '2020-02-30'"
                << "bail «\u00a0M-1\u00a0»\u00a0: mois du loyer payé «\u00a02020-02-30\u00a0»";
            QTest::addRow("%s, territory", side) << server << "UPDATE leases SET territory = 'mars'"
                                                 << "bail «\u00a0M-1\u00a0»\u00a0: territoire «\u00a0mars\u00a0»";
        }
    }
    void refusedValueStopsTheMigration()
    {
        QFETCH(bool, server);
        QFETCH(QString, change);
        QFETCH(QString, named);
        if (server && !m_pgUp)
            QSKIP("PostgreSQL unavailable");
        Register reg = make(server);
        for (const QString& sql : storeinternal::migrationSteps(0, server, 6))
            QVERIFY(exec(reg.raw, sql));
        QVERIFY(fill(reg.raw, 6));
        QVERIFY(exec(reg.raw, change));

        LeaseStore store;
        QVERIFY(!reg.open(store));
        QVERIFY2(store.error().contains(named), qPrintable(store.error()));
        QVERIFY(store.error().endsWith(QStringLiteral("le registre n’a pas été modifié.")));
        QSqlQuery version(reg.raw);
        QVERIFY(version.exec(QStringLiteral("SELECT version FROM schema_version"))
                && version.next());
        QCOMPARE(version.value(0).toInt(), 6);
    }
};

VELMARIS_TEST(SchemaMigration)
#include "tst_schemamigration.moc"
