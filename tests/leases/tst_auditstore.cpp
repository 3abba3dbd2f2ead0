// SPDX-License-Identifier: GPL-3.0-or-later
// The rents charged in the register: the migration from a version-2 file, and
// the periods of a lease written all at once or not at all.
#include "chargedcsv.h"
#include "leasefixture.h"
#include "leasestore.h"
#include "testmain.h"
#include "testsupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

namespace {

// Runs statements on a file outside LeaseStore; the first value of a query.
class Raw {
public:
    explicit Raw(const QString& path)
        : m_name(QStringLiteral("raw-audit-%1").arg(++s_count))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~Raw()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;

    bool exec(const char* sql)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        const bool ok = query.exec(QString::fromUtf8(sql));
        m_error = query.lastError().text();
        return ok;
    }
    QVariant value(const char* sql)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        return query.exec(QString::fromUtf8(sql)) && query.next() ? query.value(0) : QVariant();
    }
    QString error() const { return m_error; }

private:
    static inline int s_count = 0;
    QString m_name;
    QString m_error;
};

// A register as Velmaris wrote it at version 2, by hand: two leases, one revision.
void writeVersion2(const QString& path)
{
    Raw db(path);
    const char* const statements[] = {
        "CREATE TABLE schema_version (version INTEGER NOT NULL)",
        "INSERT INTO schema_version VALUES (2)",
        "CREATE TABLE leases (id INTEGER PRIMARY KEY, reference TEXT NOT NULL UNIQUE, tenant "
        "TEXT NOT NULL DEFAULT '', address TEXT NOT NULL DEFAULT '', postal_code TEXT NOT NULL "
        "DEFAULT '', furnished INTEGER NOT NULL DEFAULT 0, signing_date TEXT NOT NULL, "
        "start_date TEXT NOT NULL, reference_quarter TEXT NOT NULL DEFAULT '', revision_day "
        "INTEGER NOT NULL DEFAULT 0, revision_month INTEGER NOT NULL DEFAULT 0, clause TEXT NOT "
        "NULL DEFAULT 'hausse', dpe_class TEXT NOT NULL DEFAULT '', dpe_date TEXT NOT NULL "
        "DEFAULT '', rent_cents INTEGER NOT NULL, charges_cents INTEGER NOT NULL DEFAULT 0, "
        "notes TEXT NOT NULL DEFAULT '', territory TEXT NOT NULL DEFAULT 'metropole', "
        "prior_revision TEXT NOT NULL DEFAULT '')",
        "CREATE TABLE revisions (id INTEGER PRIMARY KEY, lease_id INTEGER NOT NULL REFERENCES "
        "leases(id) ON DELETE CASCADE, due_date TEXT NOT NULL, request_date TEXT NOT NULL, "
        "effective_date TEXT NOT NULL, old_rent_cents INTEGER NOT NULL, new_rent_cents INTEGER "
        "NOT NULL, base_quarter TEXT NOT NULL, base_value REAL NOT NULL, new_quarter TEXT NOT "
        "NULL, new_value REAL NOT NULL, series TEXT NOT NULL, notes TEXT NOT NULL DEFAULT '')",
        "CREATE INDEX revisions_by_lease ON revisions (lease_id, due_date)",
        "CREATE TRIGGER revisions_no_update BEFORE UPDATE ON revisions"
        " BEGIN SELECT RAISE(ABORT, 'historique en ajout seul'); END",
        "CREATE TRIGGER revisions_no_delete BEFORE DELETE ON revisions"
        " WHEN EXISTS (SELECT 1 FROM leases WHERE id = OLD.lease_id)"
        " BEGIN SELECT RAISE(ABORT, 'historique en ajout seul'); END",
        "INSERT INTO leases (reference, postal_code, territory, signing_date, start_date, "
        "rent_cents, prior_revision) VALUES ('AJA-1', '20000', 'corse', '2022-11-20', "
        "'2022-12-01', 70000, '')",
        "INSERT INTO leases (reference, postal_code, signing_date, start_date, rent_cents) "
        "VALUES ('LYO-1', '69003', '2023-03-10', '2023-03-15', 87972)",
        "INSERT INTO revisions (lease_id, due_date, request_date, effective_date, "
        "old_rent_cents, new_rent_cents, base_quarter, base_value, new_quarter, new_value, "
        "series) VALUES (2, '2024-03-15', '2024-06-20', '2024-06-20', 85000, 87972, '42022', "
        "137.26, '42023', 142.06, 'irl')",
    };
    for (const char* sql : statements)
        QVERIFY2(db.exec(sql), qPrintable(db.error()));
}

QDate month(const char* text)
{
    return *parseMonth(QString::fromLatin1(text));
}

} // namespace

class TestAuditStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void migratesVersion2();
    void failedMigrationKeepsVersion2();
    void periodsAllOrNothing_data();
    void periodsAllOrNothing();
    void periodsGoWithTheirLease();
    void readOnlyRegister();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString file() const { return m_dir->filePath(LeaseStore::fileName()); }
};

void TestAuditStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestAuditStore::migratesVersion2()
{
    writeVersion2(file());
    LeaseStore store;
    QVERIFY2(store.open(m_dir->path()), qPrintable(store.error()));
    QCOMPARE(store.backupPath(), file() + QStringLiteral(".v2.bak"));
    {
        Raw backup(store.backupPath());
        QCOMPARE(backup.value("SELECT version FROM schema_version").toInt(), 2);
        QVERIFY(
            !backup.value("SELECT 1 FROM sqlite_master WHERE name = 'charged_rents'").isValid());
    }
    {
        Raw raw(file());
        QCOMPARE(raw.value("SELECT version FROM schema_version").toInt(),
                 LeaseStore::kSchemaVersion);
    }

    // Leases and history as they were; the new table is empty and works.
    const Lease lyon = store.findLease(QStringLiteral("LYO-1")).value();
    QCOMPARE(lyon.rentCents, qint64(87972));
    QCOMPARE(store.findLease(QStringLiteral("AJA-1"))->territory, Territory::Corse);
    QCOMPARE(store.history(lyon.id)->size(), std::size_t(1));
    QCOMPARE(store.chargedRents(lyon.id)->size(), std::size_t(0));
    const std::vector<ChargedRent> rents = {{month("03/2023"), 85000, {}},
                                            {month("04/2024"), 87972, day("20/06/2024")}};
    QVERIFY2(store.setChargedRents(lyon.id, rents), qPrintable(store.error()));
    store.close();
    QVERIFY(store.open(m_dir->path()));
    QVERIFY(store.backupPath().isEmpty());
    QCOMPARE(store.chargedRents(lyon.id).value(), rents);
}

// A version-2 file the migration cannot take (its table is there already):
// nothing changes, the file stays at version 2.
void TestAuditStore::failedMigrationKeepsVersion2()
{
    writeVersion2(file());
    {
        Raw raw(file());
        QVERIFY(raw.exec("CREATE TABLE charged_rents (x INTEGER)"));
    }
    LeaseStore store;
    QVERIFY(!store.open(m_dir->path()));
    QVERIFY2(store.error().startsWith(QStringLiteral("Erreur du registre des baux")),
             qPrintable(store.error()));
    Raw raw(file());
    QCOMPARE(raw.value("SELECT version FROM schema_version").toInt(), 2);
    QCOMPARE(raw.value("SELECT count(*) FROM leases").toInt(), 2);
    QVERIFY(QFile::exists(file() + QStringLiteral(".v2.bak")));
}

void TestAuditStore::periodsAllOrNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");

    QTest::newRow("a month twice") << "twice"
                                   << "Loyers facturés refusés\u00a0: Mois 04/2024 saisi deux fois.";
    QTest::newRow("before the lease") << "early"
                                      << "Loyers facturés refusés\u00a0: Mois 02/2023 antérieur à la "
                                         "prise d’effet du bail (15/03/2023).";
    QTest::newRow("no rent") << "zero"
                             << "Loyers facturés refusés\u00a0: Loyer manquant.";
    QTest::newRow("no such lease") << "lease"
                                   << "Ce bail n’est plus dans le registre.";
}

void TestAuditStore::periodsAllOrNothing()
{
    QFETCH(QString, fault);
    QFETCH(QString, error);
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    const qint64 id =
        store.addLease(makeLease(QStringLiteral("A1"), day("15/03/2023"), 85000)).value();
    const std::vector<ChargedRent> first = {{month("03/2023"), 85000, {}}};
    QVERIFY(store.setChargedRents(id, first));

    std::vector<ChargedRent> rents = {{month("03/2023"), 85000, {}},
                                      {month("04/2024"), 87972, {}},
                                      {month("05/2025"), 89570, {}}};
    qint64 target = id;
    if (fault == u"twice")
        rents[2].month = rents[1].month;
    else if (fault == u"early")
        rents[0].month = month("02/2023");
    else if (fault == u"zero")
        rents[1].rentCents = 0;
    else
        target = id + 1;
    QVERIFY(!store.setChargedRents(target, rents));
    QCOMPARE(store.error(), error);
    QCOMPARE(store.chargedRents(id).value(), first);
}

void TestAuditStore::periodsGoWithTheirLease()
{
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    const qint64 a =
        store.addLease(makeLease(QStringLiteral("A"), day("15/03/2023"), 85000)).value();
    const qint64 b =
        store.addLease(makeLease(QStringLiteral("B"), day("15/03/2023"), 85000)).value();
    // Typed out of order: read back in month order.
    const std::vector<ChargedRent> rents = {{month("04/2024"), 87972, day("20/03/2024")},
                                            {month("03/2023"), 85000, {}}};
    QVERIFY(store.setChargedRents(a, rents));
    QVERIFY(store.setChargedRents(b, {rents[1]}));
    QCOMPARE(store.chargedRents(a).value(), (std::vector<ChargedRent>{rents[1], rents[0]}));

    // Replaced as a whole; an empty list clears them.
    QVERIFY(store.setChargedRents(a, {rents[1]}));
    QCOMPARE(store.chargedRents(a)->size(), std::size_t(1));
    QVERIFY(store.setChargedRents(a, {}));
    QCOMPARE(store.chargedRents(a)->size(), std::size_t(0));

    QVERIFY(store.removeLease(b));
    Raw raw(file());
    QCOMPARE(raw.value("SELECT count(*) FROM charged_rents").toInt(), 0);
}

void TestAuditStore::readOnlyRegister()
{
    qint64 id = 0;
    {
        LeaseStore store;
        QVERIFY(store.open(m_dir->path()));
        id = store.addLease(makeLease(QStringLiteral("R"), day("15/03/2023"), 85000)).value();
        QVERIFY(store.setChargedRents(id, {{month("03/2023"), 85000, {}}}));
    }
    QVERIFY(QFile::setPermissions(file(), QFile::ReadOwner | QFile::ReadGroup));
    const QByteArray before = readAll(file());
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    QCOMPARE(store.chargedRents(id)->size(), std::size_t(1));
    QVERIFY(!store.setChargedRents(id, {}));
    QVERIFY(store.error().endsWith(
        QStringLiteral("est en lecture seule\u00a0: la modification n’est pas enregistrée.")));
    store.close();
    QCOMPARE(readAll(file()), before);
}

VELMARIS_TEST(TestAuditStore)
#include "tst_auditstore.moc"
