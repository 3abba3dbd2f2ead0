// SPDX-License-Identifier: GPL-3.0-or-later
// The register on disk: schema and migration, transactions, two connections,
// and files that are locked, read-only, damaged or cut by a crash.
#include "lawfulrevision.h"
#include "leasecsv.h"
#include "leasefixture.h"
#include "leasestore.h"
#include "testmain.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstring>

using namespace velmaris;
using namespace velmaris::test;

namespace {

// A connection of its own, outside LeaseStore, for what a test does behind its back.
class RawConnection {
public:
    explicit RawConnection(const QString& path)
        : m_name(QStringLiteral("raw-%1").arg(++s_count))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool exec(const QString& sql)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        const bool ok = query.exec(sql);
        m_error = query.lastError().text();
        return ok;
    }
    QVariant value(const QString& sql)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        return query.exec(sql) && query.next() ? query.value(0) : QVariant();
    }
    QString error() const { return m_error; }

private:
    static inline int s_count = 0;
    QString m_name;
    QString m_error;
};

// Version 1 of the register as the first Velmaris wrote it, by hand.
void writeVersion1(const QString& path)
{
    RawConnection db(path);
    const char* const statements[] = {
        "CREATE TABLE schema_version (version INTEGER NOT NULL)",
        "INSERT INTO schema_version VALUES (1)",
        "CREATE TABLE leases (id INTEGER PRIMARY KEY, reference TEXT NOT NULL UNIQUE, tenant "
        "TEXT NOT NULL DEFAULT '', address TEXT NOT NULL DEFAULT '', postal_code TEXT NOT NULL "
        "DEFAULT '', furnished INTEGER NOT NULL DEFAULT 0, signing_date TEXT NOT NULL, "
        "start_date TEXT NOT NULL, reference_quarter TEXT NOT NULL DEFAULT '', revision_day "
        "INTEGER NOT NULL DEFAULT 0, revision_month INTEGER NOT NULL DEFAULT 0, clause TEXT NOT "
        "NULL DEFAULT 'hausse', dpe_class TEXT NOT NULL DEFAULT '', dpe_date TEXT NOT NULL "
        "DEFAULT '', rent_cents INTEGER NOT NULL, charges_cents INTEGER NOT NULL DEFAULT 0, "
        "notes TEXT NOT NULL DEFAULT '')",
        "CREATE TABLE revisions (id INTEGER PRIMARY KEY, lease_id INTEGER NOT NULL REFERENCES "
        "leases(id) ON DELETE CASCADE, due_date TEXT NOT NULL, request_date TEXT NOT NULL, "
        "effective_date TEXT NOT NULL, old_rent_cents INTEGER NOT NULL, new_rent_cents INTEGER "
        "NOT NULL, base_quarter TEXT NOT NULL, base_value REAL NOT NULL, new_quarter TEXT NOT "
        "NULL, new_value REAL NOT NULL, series TEXT NOT NULL, notes TEXT NOT NULL DEFAULT '')",
        "INSERT INTO leases (reference, tenant, postal_code, signing_date, start_date, clause, "
        "dpe_class, rent_cents) VALUES ('AJA-1', 'Mme Santoni', '20000', '2021-10-20', "
        "'2021-11-01', 'hausse_baisse', 'G', 70000)",
        "INSERT INTO leases (reference, postal_code, signing_date, start_date, rent_cents) "
        "VALUES ('RUN-1', '97400', '2022-01-10', '2022-02-01', 65000)",
        "INSERT INTO leases (reference, postal_code, signing_date, start_date, rent_cents) "
        "VALUES ('LYO-1', '69003', '2020-03-01', '2020-03-15', 90000)",
        "INSERT INTO revisions (lease_id, due_date, request_date, effective_date, "
        "old_rent_cents, new_rent_cents, base_quarter, base_value, new_quarter, new_value, "
        "series) VALUES (3, '2021-03-15', '2021-03-20', '2021-03-20', 88000, 90000, '42019', "
        "130.26, '42020', 130.52, 'irl')",
    };
    for (const char* sql : statements)
        QVERIFY2(db.exec(QString::fromLatin1(sql)), qPrintable(db.error()));
}

std::vector<Lease> manyLeases(const QString& prefix, int count)
{
    std::vector<Lease> leases;
    for (int i = 0; i < count; ++i)
        leases.push_back(makeLease(prefix + QString::number(i), day("15/03/2023"), 85000 + i));
    return leases;
}

// The child of crashIsAllOrNothing: imports batches of leases, says so after
// each commit, until it is killed.
constexpr int kBatch = 1000;
int childWriter(const QString& folder)
{
    LeaseStore store;
    if (!store.open(folder))
        return 2;
    for (int batch = 0;; ++batch) {
        if (!store.importLeases(manyLeases(QStringLiteral("K%1-").arg(batch), kBatch)))
            return 3;
        std::printf("committed %d\n", batch + 1);
        std::fflush(stdout);
    }
}

} // namespace

class TestLeaseStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void createsAndReopens();
    void leasesAndReferences();
    void historyOnlyGrows();
    void migratesVersion1();
    void failedMigrationChangesNothing();
    void refusesOtherFiles_data();
    void refusesOtherFiles();
    void readOnlyFile();
    void twoStoresAtOnce();
    void busyFile();
    void uncommittedWriteLeavesNothing();
    void crashIsAllOrNothing();
    void importAllOrNothing();
    void csvFiles();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString file() const { return m_dir->filePath(LeaseStore::fileName()); }
};

void TestLeaseStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestLeaseStore::createsAndReopens()
{
    Lease lease = makeLease(QStringLiteral("A1"), day("15/03/2023"), 85000);
    lease.territory = Territory::OutreMer; // edited: not the postal code's
    lease.referenceQuarter = Quarter(2022, 4);
    lease.revisionDay = 1;
    lease.revisionMonth = 4;
    lease.clause = Clause::HausseEtBaisse;
    lease.dpeClass = DpeClass::E;
    lease.dpeDate = day("02/02/2022");
    lease.priorRevision = day("01/04/2024");
    lease.notes = QStringLiteral("ligne 1\nligne 2\u00a0; «\u00a0guillemets\u00a0»");
    lease.town = QStringLiteral("Saint-Denis");
    lease.landlordKind = LandlordKind::Company;
    {
        LeaseStore store;
        QVERIFY2(store.open(m_dir->path()), qPrintable(store.error()));
        QVERIFY(!store.isReadOnly());
        QVERIFY(store.backupPath().isEmpty()); // nothing to keep from a new file
        const std::optional<qint64> id = store.addLease(lease);
        QVERIFY2(id, qPrintable(store.error()));
        lease.id = *id;
        lease.version = 1; // a new lease's first version
    }
    QVERIFY(!QSqlDatabase::connectionNames().contains(QStringLiteral("velmaris-leases-1")));
    {
        RawConnection raw(file());
        QCOMPARE(raw.value(QStringLiteral("SELECT version FROM schema_version")).toInt(),
                 LeaseStore::kSchemaVersion);
        QCOMPARE(raw.value(QStringLiteral("PRAGMA journal_mode")).toString(),
                 QStringLiteral("wal"));
    }
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    lease.ownerId = store.defaultOwner()->id; // the owner the register gave it
    QCOMPARE(store.lease(lease.id).value_or(Lease()), lease);
    QCOMPARE(store.findLease(QStringLiteral(" A1 ")).value_or(Lease()), lease);
    QVERIFY(!store.findLease(QStringLiteral("B2")));
    QCOMPARE(store.error(),
             QStringLiteral("Aucun bail de référence «\u00a0B2\u00a0» dans le registre."));
}

void TestLeaseStore::leasesAndReferences()
{
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    Lease a = makeLease(QStringLiteral("A1"), day("15/03/2023"), 85000);
    Lease b = makeLease(QStringLiteral("B1"), day("15/03/2023"), 85000);
    a.id = store.addLease(a).value_or(0);
    b.id = store.addLease(b).value_or(0);
    QVERIFY(a.id > 0 && b.id > 0);

    QVERIFY(!store.addLease(makeLease(QStringLiteral("A1 "), day("01/01/2024"), 1000)));
    QCOMPARE(store.error(),
             QStringLiteral("La référence «\u00a0A1\u00a0» existe déjà dans le registre."));
    Lease bad = makeLease(QStringLiteral("C1"), day("15/03/2023"), 0);
    bad.postalCode = QStringLiteral("123");
    QVERIFY(!store.addLease(bad));
    QCOMPARE(
        store.error(),
        QStringLiteral(
            "Bail refusé\u00a0: Code postal invalide «\u00a0123\u00a0» (cinq chiffres, de 01000 "
            "à 95999 ou 97xxx)\u00a0; loyer manquant."));

    b.reference = QStringLiteral("A1");
    QVERIFY(!store.updateLease(b));
    QCOMPARE(store.error(),
             QStringLiteral("La référence «\u00a0A1\u00a0» existe déjà dans le registre."));
    b.reference = QStringLiteral("B2");
    b.rentCents = 91000;
    b.version = 1; // as read after it was added
    QVERIFY(store.updateLease(b));
    b.version = 2; // the update counts
    b.ownerId = store.defaultOwner()->id;

    const std::vector<Lease> all = store.leases().value_or(std::vector<Lease>());
    QCOMPARE(all.size(), std::size_t(2));
    QCOMPARE(all[1], b);

    QVERIFY(store.removeLease(a.id));
    QVERIFY(!store.removeLease(a.id));
    QCOMPARE(store.error(), QStringLiteral("Ce bail n’est plus dans le registre."));
    QVERIFY(!store.updateLease(a));
    QCOMPARE(store.leases()->size(), std::size_t(1));
}

void TestLeaseStore::historyOnlyGrows()
{
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    Lease lease = makeLease(QStringLiteral("H1"), day("15/03/2023"), 85000);
    lease.signingDate = day("10/03/2023");
    lease.id = *store.addLease(lease);
    const IndexTable table = realTable();

    LawfulRevision r = reviseLease(lease, {}, table, day("20/03/2024"));
    QVERIFY(r.canApply());
    const RevisionRecord first = r.record(lease.id);
    QVERIFY2(store.appendRevision(first), qPrintable(store.error()));
    QCOMPARE(store.lease(lease.id)->rentCents, qint64(87972));

    // The same computation applied twice (another window): refused.
    QVERIFY(!store.appendRevision(first));
    QCOMPARE(store.error(), QStringLiteral("Le loyer de ce bail a changé depuis le calcul\u00a0: "
                                           "recalculez la révision."));
    RevisionRecord older = first;
    older.oldRentCents = 87972;
    older.dueDate = day("15/03/2024");
    QVERIFY(!store.appendRevision(older));
    QCOMPARE(store.error(), QStringLiteral("Une révision du 15/03/2024 ou plus récente est déjà "
                                           "enregistrée pour ce bail."));

    lease = *store.lease(lease.id);
    std::vector<RevisionRecord> history = *store.history(lease.id);
    r = reviseLease(lease, history, table, day("16/03/2025"));
    QVERIFY(store.appendRevision(r.record(lease.id)));
    history = *store.history(lease.id);
    QCOMPARE(history.size(), std::size_t(2));
    RevisionRecord stored = history[0];
    QVERIFY(stored.id > 0);
    stored.id = 0;
    QCOMPARE(stored, first);
    QCOMPARE(history[1].oldRentCents, qint64(87972));
    QCOMPARE(store.lease(lease.id)->rentCents, history[1].newRentCents);

    const std::vector<RevisionRecord> last = *store.lastRevisions();
    QCOMPARE(last.size(), std::size_t(1));
    QCOMPARE(last[0].dueDate, day("15/03/2025"));

    // Not even by hand: only deleting the lease takes its history with it.
    {
        RawConnection raw(file());
        QVERIFY(!raw.exec(QStringLiteral("UPDATE revisions SET new_rent_cents = 1")));
        QVERIFY(!raw.exec(QStringLiteral("DELETE FROM revisions")));
        QVERIFY(raw.error().contains(QStringLiteral("historique en ajout seul")));
    }
    QVERIFY(store.removeLease(lease.id));
    QCOMPARE(store.history(lease.id)->size(), std::size_t(0));
}

void TestLeaseStore::migratesVersion1()
{
    writeVersion1(file());
    const QByteArray before = readAll(file());
    LeaseStore store;
    QVERIFY2(store.open(m_dir->path()), qPrintable(store.error()));

    // The copy is the version-1 file as it was.
    QCOMPARE(store.backupPath(), file() + QStringLiteral(".v1.bak"));
    {
        RawConnection backup(store.backupPath());
        QCOMPARE(backup.value(QStringLiteral("SELECT version FROM schema_version")).toInt(), 1);
        QCOMPARE(backup.value(QStringLiteral("SELECT count(*) FROM leases")).toInt(), 3);
    }
    QVERIFY(!before.isEmpty());

    const std::vector<Lease> leases = *store.leases();
    QCOMPARE(leases.size(), std::size_t(3));
    QCOMPARE(leases[0].reference, QStringLiteral("AJA-1"));
    QCOMPARE(leases[0].territory, Territory::Corse);
    QCOMPARE(leases[0].clause, Clause::HausseEtBaisse);
    QCOMPARE(leases[0].dpeClass, DpeClass::G);
    QCOMPARE(leases[1].territory, Territory::Metropole);
    QCOMPARE(leases[2].territory, Territory::OutreMer);
    QVERIFY(!leases[2].priorRevision.isValid());
    // Columns added since: no town known, the landlord taken as a person.
    QVERIFY(leases[2].town.isEmpty());
    QCOMPARE(leases[2].landlordKind, LandlordKind::Person);
    const std::vector<RevisionRecord> history = *store.history(leases[1].id);
    QCOMPARE(history.size(), std::size_t(1));
    QCOMPARE(history[0].newQuarter, Quarter(2020, 4));
    QCOMPARE(history[0].newValue, 130.52);

    // The migrated file works like a new one, and a second open copies nothing.
    Lease lease = leases[0];
    lease.territory = Territory::Metropole;
    QVERIFY(store.updateLease(lease));
    store.close();
    QVERIFY(store.open(m_dir->path()));
    QVERIFY(store.backupPath().isEmpty());
    QCOMPARE(store.findLease(QStringLiteral("AJA-1"))->territory, Territory::Metropole);
    QVERIFY(!QFile::exists(file() + QStringLiteral(".v1.2.bak")));
}

// A version-1 file the migration cannot take (a column it adds is there
// already): the transaction rolls back and the file stays version 1.
void TestLeaseStore::failedMigrationChangesNothing()
{
    writeVersion1(file());
    {
        RawConnection raw(file());
        QVERIFY(raw.exec(QStringLiteral("ALTER TABLE leases ADD COLUMN prior_revision TEXT")));
    }
    LeaseStore store;
    QVERIFY(!store.open(m_dir->path()));
    QVERIFY(store.error().startsWith(QStringLiteral("Erreur du registre des baux")));
    QVERIFY(!store.isOpen());
    RawConnection raw(file());
    QCOMPARE(raw.value(QStringLiteral("SELECT version FROM schema_version")).toInt(), 1);
    QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM pragma_table_info('leases') "
                                      "WHERE name = 'territory'"))
                 .toInt(),
             0);
    QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM leases")).toInt(), 3);
    QVERIFY(QFile::exists(file() + QStringLiteral(".v1.bak")));
}

void TestLeaseStore::refusesOtherFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");

    const QString damaged = QStringLiteral(" est endommagé\u00a0; il n’a pas été modifié.");
    QTest::newRow("not SQLite at all") << "text" << damaged;
    QTest::newRow("pages overwritten") << "pages" << damaged;
    QTest::newRow("cut in half") << "cut" << damaged;
    QTest::newRow("another program’s database")
        << "foreign"
        << " n’est pas un registre des baux de Velmaris\u00a0; il n’a pas été modifié.";
    QTest::newRow("a symbolic link")
        << "link"
        << " n’est pas disponible\u00a0: «\u00a0%1\u00a0» est un lien symbolique";
    QTest::newRow("from a newer Velmaris")
        << "newer"
        << " a été écrit par une version plus récente de Velmaris";
}

void TestLeaseStore::refusesOtherFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryDir elsewhere;
    if (kind == u"text") {
        writeAll(file(), "reference;loyer\nA1;850\n");
    } else if (kind == u"pages" || kind == u"cut") {
        {
            LeaseStore store;
            QVERIFY(store.open(m_dir->path()));
            QVERIFY(store.importLeases(manyLeases(QStringLiteral("P"), 500)));
        }
        QByteArray bytes = readAll(file());
        QVERIFY(bytes.size() > 40000);
        if (kind == u"pages")
            bytes.replace(8192, 16384, QByteArray(16384, '\xAB'));
        else
            bytes.truncate(bytes.size() / 2);
        writeAll(file(), bytes);
    } else if (kind == u"foreign") {
        RawConnection raw(file());
        QVERIFY(raw.exec(QStringLiteral("CREATE TABLE photos (id INTEGER PRIMARY KEY)")));
    } else if (kind == u"link") {
        {
            LeaseStore store;
            QVERIFY(store.open(elsewhere.path()));
        }
        QVERIFY(QFile::link(elsewhere.filePath(LeaseStore::fileName()), file()));
        message = message.arg(file());
    } else if (kind == u"newer") {
        {
            LeaseStore store;
            QVERIFY(store.open(m_dir->path()));
        }
        RawConnection raw(file());
        QVERIFY(raw.exec(QStringLiteral("UPDATE schema_version SET version = %1")
                             .arg(LeaseStore::kSchemaVersion + 1)));
    }
    const QByteArray before = readAll(file());

    LeaseStore store;
    QVERIFY(!store.open(m_dir->path()));
    QVERIFY2(store.error().contains(message), qPrintable(store.error()));
    QVERIFY(store.error().contains(file()));
    QVERIFY(!store.isOpen());
    QCOMPARE(readAll(file()), before);
    // The caller carries on without the register: nothing else works, nothing crashes.
    QVERIFY(!store.leases());
    QVERIFY(!store.addLease(makeLease(QStringLiteral("A1"), day("15/03/2023"), 85000)));
    QCOMPARE(store.error(), QStringLiteral("Le registre des baux n’est pas ouvert."));
}

void TestLeaseStore::readOnlyFile()
{
    {
        LeaseStore store;
        QVERIFY(store.open(m_dir->path()));
        QVERIFY(store.importLeases(manyLeases(QStringLiteral("R"), 3)));
    }
    QVERIFY(QFile::setPermissions(file(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray before = readAll(file());

    LeaseStore store;
    QVERIFY2(store.open(m_dir->path()), qPrintable(store.error()));
    QVERIFY(store.isReadOnly());
    QCOMPARE(store.leases()->size(), std::size_t(3));
    QVERIFY(!store.addLease(makeLease(QStringLiteral("R9"), day("15/03/2023"), 85000)));
    QCOMPARE(store.error(),
             QStringLiteral("Le registre des baux «\u00a0") + file()
                 + QStringLiteral("\u00a0» est en lecture seule\u00a0: la modification "
                                  "n’est pas enregistrée."));
    QVERIFY(!store.importLeases(manyLeases(QStringLiteral("S"), 2)));
    store.close();
    QCOMPARE(readAll(file()), before);

    // An old file that cannot be migrated because it cannot be written.
    QVERIFY(QFile::remove(file()));
    writeVersion1(file());
    QVERIFY(QFile::setPermissions(file(), QFile::ReadOwner | QFile::ReadGroup));
    QVERIFY(!store.open(m_dir->path()));
    QVERIFY(store.error().endsWith(QStringLiteral(
        "est en lecture seule et d’une version ancienne\u00a0: il ne peut pas être mis "
        "à jour.")));
    QVERIFY(!QFile::exists(file() + QStringLiteral(".v1.bak")));
}

void TestLeaseStore::twoStoresAtOnce()
{
    LeaseStore first, second;
    QVERIFY(first.open(m_dir->path()));
    QVERIFY(second.open(m_dir->path()));
    Lease lease = makeLease(QStringLiteral("T1"), day("15/03/2023"), 85000);
    lease.signingDate = day("10/03/2023");
    lease.id = *first.addLease(lease);
    QCOMPARE(second.leases()->size(), std::size_t(1));
    QVERIFY(second.addLease(makeLease(QStringLiteral("T2"), day("15/03/2023"), 85000)));
    QCOMPARE(first.leases()->size(), std::size_t(2));

    // Both windows compute the same revision; the second to apply it is refused.
    const IndexTable table = realTable();
    const LawfulRevision inFirst =
        reviseLease(*first.lease(lease.id), {}, table, day("20/03/2024"));
    const LawfulRevision inSecond =
        reviseLease(*second.lease(lease.id), {}, table, day("21/03/2024"));
    QVERIFY(second.appendRevision(inSecond.record(lease.id)));
    QVERIFY(!first.appendRevision(inFirst.record(lease.id)));
    QCOMPARE(first.history(lease.id)->size(), std::size_t(1));
    QCOMPARE(first.history(lease.id)->front().requestDate, day("21/03/2024"));

    second.close();
    QCOMPARE(first.leases()->size(), std::size_t(2)); // closing one leaves the other working
}

void TestLeaseStore::busyFile()
{
    {
        LeaseStore store;
        QVERIFY(store.open(m_dir->path()));
    }
    LeaseStore store;
    store.setBusyTimeout(100);
    QVERIFY(store.open(m_dir->path()));
    const QString busy =
        QStringLiteral("Le registre des baux «\u00a0") + file()
        + QStringLiteral("\u00a0» est occupé par un autre programme. Réessayez dans "
                         "un instant.");
    {
        RawConnection other(file());
        QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
        QVERIFY(other.exec(QStringLiteral("INSERT INTO leases (reference, signing_date, "
                                          "start_date, rent_cents) VALUES ('X', '2023-01-01', "
                                          "'2023-01-01', 100)")));
        QVERIFY(!store.addLease(makeLease(QStringLiteral("B1"), day("15/03/2023"), 85000)));
        QCOMPARE(store.error(), busy);
        QCOMPARE(store.leases()->size(), std::size_t(0)); // readers go on meanwhile
        QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
    }
    QVERIFY(store.addLease(makeLease(QStringLiteral("B1"), day("15/03/2023"), 85000)));
    store.close();

    // Locked at open: another program holds the file for itself.
    RawConnection other(file());
    QVERIFY(other.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE")));
    QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    QVERIFY(!store.open(m_dir->path()));
    QCOMPARE(store.error(), busy);
    QVERIFY(other.exec(QStringLiteral("COMMIT")));
}

void TestLeaseStore::uncommittedWriteLeavesNothing()
{
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    QVERIFY(store.importLeases(manyLeases(QStringLiteral("U"), 2)));
    {
        RawConnection other(file());
        QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
        QVERIFY(other.exec(QStringLiteral("DELETE FROM leases")));
    } // closed without COMMIT
    QCOMPARE(store.leases()->size(), std::size_t(2));

    // A batch that fails in its middle (the same reference twice) writes nothing.
    std::vector<Lease> batch = manyLeases(QStringLiteral("V"), 3);
    batch.push_back(batch.front());
    QVERIFY(!store.importLeases(batch));
    QCOMPARE(store.leases()->size(), std::size_t(2));
}

// A writer killed in the middle of its work: every batch is there whole or
// not at all, and the file is sound.
void TestLeaseStore::crashIsAllOrNothing()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child-writer"), m_dir->path()});
    QVERIFY(child.waitForStarted());
    // Kill it halfway between two commits, when a batch is being written.
    int committed = 0;
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    qint64 previous = 0, interval = 0;
    while (committed < 4) {
        QVERIFY2(child.waitForReadyRead(20000), "the child writer stopped");
        out += child.readAllStandardOutput();
        const int now = int(out.count("committed"));
        if (now > committed) {
            interval = clock.elapsed() - previous;
            previous = clock.elapsed();
        }
        committed = now;
    }
    QThread::msleep(std::max<qint64>(1, interval / 2));
    child.kill(); // SIGKILL, most likely while a batch is being written
    QVERIFY(child.waitForFinished());

    LeaseStore store;
    QVERIFY2(store.open(m_dir->path()), qPrintable(store.error()));
    const int count = int(store.leases()->size());
    QCOMPARE(count % kBatch, 0);
    QVERIFY(count >= committed * kBatch);
    RawConnection raw(file());
    QCOMPARE(raw.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

void TestLeaseStore::importAllOrNothing()
{
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    QVERIFY(store.addLease(makeLease(QStringLiteral("I1"), day("15/03/2023"), 85000)));
    std::vector<Lease> batch = manyLeases(QStringLiteral("I"), 4); // I0 to I3: I1 exists
    std::vector<int> clashes;
    QVERIFY(!store.importLeases(batch, &clashes));
    QCOMPARE(clashes, std::vector<int>{1});
    QCOMPARE(store.error(),
             QStringLiteral("La référence «\u00a0I1\u00a0» existe déjà dans le registre."));
    QCOMPARE(store.leases()->size(), std::size_t(1));

    batch.erase(batch.begin() + 1);
    QVERIFY(store.importLeases(batch, &clashes));
    QVERIFY(clashes.empty());
    QCOMPARE(store.leases()->size(), std::size_t(4));
}

void TestLeaseStore::csvFiles()
{
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    QVERIFY(store.importLeases(manyLeases(QStringLiteral("E"), 3)));
    const QString csv = m_dir->filePath(QStringLiteral("baux.csv"));
    QString error;
    QVERIFY2(exportLeasesCsv(store, csv, &error), qPrintable(error));

    // Into another register: the same leases.
    QTemporaryDir other;
    LeaseStore copy;
    QVERIFY(copy.open(other.path()));
    ImportOutcome outcome = importLeasesCsv(copy, csv);
    QVERIFY2(outcome.ok, qPrintable(outcome.errors.join(u'\n')));
    QCOMPARE(outcome.imported, 3);
    std::vector<Lease> a = *store.leases(), b = *copy.leases();
    for (Lease& lease : a)
        lease.id = 0;
    for (Lease& lease : b)
        lease.id = 0;
    QCOMPARE(a, b);

    // Again: every line clashes, each is named, nothing is added.
    outcome = importLeasesCsv(copy, csv);
    QVERIFY(!outcome.ok);
    QCOMPARE(
        outcome.errors,
        (QStringList{
            QStringLiteral("ligne 2\u00a0: référence «\u00a0E0\u00a0» déjà dans le registre"),
            QStringLiteral("ligne 3\u00a0: référence «\u00a0E1\u00a0» déjà dans le registre"),
            QStringLiteral("ligne 4\u00a0: référence «\u00a0E2\u00a0» déjà dans le registre")}));
    QCOMPARE(copy.leases()->size(), std::size_t(3));

    // With a bad line besides: every fault in the one list, in line order.
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    file.close();
    QCOMPARE(lines.size(), 5); // the header, three leases, the last line's end
    QStringList fields = lines[3].split(u';');
    fields[0] = QStringLiteral("E9");
    fields[7] = QStringLiteral("32/01/2020");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    QVERIFY(file.write((fields.join(u';') + QStringLiteral("\r\n")).toUtf8()) > 0);
    file.close();
    outcome = importLeasesCsv(copy, csv);
    QVERIFY2(outcome.errors.size() == 4, qPrintable(outcome.errors.join(u'|')));
    QCOMPARE(outcome.errors[2],
             QStringLiteral("ligne 4\u00a0: référence «\u00a0E2\u00a0» déjà dans le registre"));
    QCOMPARE(outcome.errors[3],
             QStringLiteral("ligne 5\u00a0: date de signature invalide «\u00a032/01/2020\u00a0» "
                            "(attendu\u00a0: une date jj/mm/aaaa ou jj/mm/aa)"));

    outcome = importLeasesCsv(copy, m_dir->filePath(QStringLiteral("absent.csv")));
    QVERIFY(!outcome.ok);
    QVERIFY(outcome.errors.front().startsWith(QStringLiteral("Impossible de lire le fichier")));
    QVERIFY(!exportLeasesCsv(store, m_dir->filePath(QStringLiteral("no/such/dir/x.csv")), &error));
    QVERIFY(error.startsWith(QStringLiteral("Export impossible\u00a0: ")));
}

VELMARIS_TEST(TestLeaseStore)
VELMARIS_TEST_CHILD("--child-writer", [](int argc, char** argv) {
    return argc == 3 ? childWriter(QString::fromLocal8Bit(argv[2])) : 2;
})

#include "tst_leasestore.moc"
