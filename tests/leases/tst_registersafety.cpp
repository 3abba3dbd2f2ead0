// SPDX-License-Identifier: GPL-3.0-or-later
// Nothing saved in the register is lost: two copies of the program on one
// file, the journals of a register that was read-only, the copy kept before a
// migration, backups and restores, and the CSV round trip.
#include "lawfulrevision.h"
#include "leasebackup.h"
#include "leasecsv.h"
#include "leasefixture.h"
#include "leaseregister.h"
#include "leasestore.h"
#include "registersession.h"
#include "testmain.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include <unistd.h>

using namespace velmaris;
using namespace velmaris::test;

namespace {

const QString kConflict =
    QStringLiteral("Ce bail a été modifié par ailleurs depuis son ouverture.");

// Runs one statement on a file behind the store's back; the first column of
// the first row.
QVariant sql(const QString& path, const QString& statement)
{
    static int count = 0;
    const QString name = QStringLiteral("safety-%1").arg(++count);
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(statement) && q.next())
                value = q.value(0);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

// LYO-03, revised each 10 December by the IRL of the third quarter, last
// revised by hand on 10/12/2024.
Lease lyo03()
{
    Lease lease = makeLease(QStringLiteral("LYO-03"), day("10/12/2019"), 78050);
    lease.referenceQuarter = Quarter(2019, 3);
    lease.priorRevision = day("10/12/2024");
    return lease;
}

// Applies the lawful revision at `request`, as "Appliquer" does.
bool applyAt(LeaseStore& store, const QString& reference, const QDate& request,
             const IndexTable& table)
{
    const std::optional<Lease> lease = store.findLease(reference);
    if (!lease)
        return false;
    const LawfulRevision r = reviseLease(*lease, *store.history(lease->id), table, request);
    return r.canApply() && store.appendRevision(r.record(lease->id), lease->version);
}

// Each lease's status and next revision, by reference.
QStringList statuses(LeaseStore& store, const IndexTable& table, const QDate& at)
{
    const std::vector<Lease> leases = *store.leases();
    QStringList lines;
    for (const RegisterLine& line : registerLines(leases, *store.lastRevisions(), table, at)) {
        const LawfulRevision r =
            reviseLease(*line.lease, *store.history(line.lease->id), table, at);
        lines << line.lease->reference + u' ' + line.status.text() + u' '
                     + line.status.due.toString(u"dd/MM/yyyy") + u' '
                     + QString::number(r.newRentCents);
    }
    lines.sort();
    return lines;
}

// The child of backupOnAFullDisk, in a mount namespace with a small file
// system at `full`: the previous backup there, then the disk filled, then a
// backup of the register in `folder`. Exit 0 when nothing was lost.
int fullDiskChild(const QString& folder, const QString& full)
{
    const QString target = full + QStringLiteral("/registre.sqlite");
    {
        QFile old(target);
        if (!old.open(QIODevice::WriteOnly) || old.write("the previous backup") != 19)
            return 10;
    }
    QFile filler(full + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly))
        return 11;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();
    LeaseStore store;
    if (!store.open(folder))
        return 12;
    if (store.backupTo(target))
        return 13; // reported written on a full disk
    std::printf("%s\n", qPrintable(store.error()));
    if (store.errorKind() != StoreError::Full)
        return 14;
    QFile old(target);
    if (!old.open(QIODevice::ReadOnly) || old.readAll() != "the previous backup")
        return 15;
    if (QDir(full).entryList(QDir::Files | QDir::Hidden).size() != 2)
        return 16; // a partial copy left behind
    return 0;
}

} // namespace

class TestRegisterSafety : public QObject {
    Q_OBJECT

private slots:
    void init();
    void staleCopyIsRefused_data();
    void staleCopyIsRefused();
    void otherProgramsChangesAreSeen();
    void sessionTellsEveryListener();
    void journalsFollowTheRegister();
    void migrationCopyIsWhole();
    void csvRoundTripKeepsStatuses();
    void backupAndRestore();
    void restoresNeverLoseARegister();
    void leftoversOfKilledRunsGo();
    void restoreRefusesBadFiles_data();
    void restoreRefusesBadFiles();
    void backupNeverLeavesAHalfFile();
    void backupOnAFullDisk();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString file() const { return m_dir->filePath(LeaseStore::fileName()); }
};

void TestRegisterSafety::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestRegisterSafety::staleCopyIsRefused_data()
{
    QTest::addColumn<QString>("write");
    QTest::newRow("a form saved") << "save";
    QTest::newRow("a revision applied") << "apply";
    QTest::newRow("a removal") << "delete";
    QTest::newRow("an import") << "import";
}

// Copy A reads R-1; copy B applies its revision (900,00 -> 908,91); A's write,
// made on what it read, must not undo B's.
void TestRegisterSafety::staleCopyIsRefused()
{
    QFETCH(QString, write);
    const IndexTable table = realTable();
    LeaseStore a, b;
    QVERIFY(a.open(m_dir->path()));
    QVERIFY(b.open(m_dir->path()));
    Lease r1 = makeLease(QStringLiteral("R-1"), day("15/03/2023"), 90000);
    QVERIFY(a.addLease(r1));
    const Lease inA = *a.findLease(QStringLiteral("R-1"));
    const LawfulRevision computedInA = reviseLease(inA, {}, table, day("20/03/2024"));
    QVERIFY(computedInA.canApply());

    QVERIFY(applyAt(b, QStringLiteral("R-1"), day("21/03/2024"), table));
    const Lease inB = *b.findLease(QStringLiteral("R-1"));
    QVERIFY(inB.rentCents != 90000);
    QVERIFY(inB.version > inA.version);

    if (write == u"save") {
        Lease edited = inA;
        edited.tenant = QStringLiteral("M. Martin");
        QVERIFY(!a.updateLease(edited));
    } else if (write == u"apply") {
        QVERIFY(!a.appendRevision(computedInA.record(inA.id), inA.version));
    } else if (write == u"delete") {
        QVERIFY(!a.removeLease(inA.id, inA.version));
    } else {
        // An import never writes over a lease: the one B holds refuses it whole.
        Lease again = inA;
        again.id = 0;
        std::vector<int> clashes;
        QVERIFY(!a.importLeases({makeLease(QStringLiteral("R-2"), day("15/03/2023"), 1000), again},
                                &clashes));
        QCOMPARE(clashes, std::vector<int>{1});
        QCOMPARE(a.errorKind(), StoreError::Refused);
        QCOMPARE(a.leases()->size(), std::size_t(1));
    }
    if (write != u"import") {
        QCOMPARE(a.error(), kConflict);
        QCOMPARE(a.errorKind(), StoreError::Conflict);
    }
    // The register holds B's revision, whole.
    QCOMPARE(*a.findLease(QStringLiteral("R-1")), inB);
    QCOMPARE(a.history(inA.id)->size(), std::size_t(1));

    // Read again, the same write goes through.
    if (write == u"save") {
        Lease edited = *a.findLease(QStringLiteral("R-1"));
        edited.tenant = QStringLiteral("M. Martin");
        QVERIFY2(a.updateLease(edited), qPrintable(a.error()));
        QCOMPARE(a.findLease(QStringLiteral("R-1"))->rentCents, inB.rentCents);
    } else if (write == u"delete") {
        QVERIFY(a.removeLease(inB.id, inB.version));
        QVERIFY(!b.removeLease(inB.id, inB.version));
        QCOMPARE(b.errorKind(), StoreError::NotFound);
    }
}

void TestRegisterSafety::otherProgramsChangesAreSeen()
{
    LeaseStore a, b;
    QVERIFY(a.open(m_dir->path()));
    QVERIFY(b.open(m_dir->path()));
    QVERIFY(!a.changedElsewhere());
    QVERIFY(a.addLease(makeLease(QStringLiteral("A1"), day("15/03/2023"), 85000)));
    QVERIFY(!a.changedElsewhere()); // its own write
    QVERIFY(b.changedElsewhere());
    QVERIFY(!b.changedElsewhere()); // seen once
    Lease lease = *b.findLease(QStringLiteral("A1"));
    lease.notes = QStringLiteral("vu");
    QVERIFY(b.updateLease(lease));
    QVERIFY(a.changedElsewhere());
    QCOMPARE(a.findLease(QStringLiteral("A1"))->notes, QStringLiteral("vu"));
}

// Two windows on one session: both are told of a lease written here and of
// the register another program changed, once each, and of nothing else.
void TestRegisterSafety::sessionTellsEveryListener()
{
    RegisterSession session(m_dir->path());
    QVERIFY(session.store().open(session.folder()));
    QSignalSpy first(&session, &RegisterSession::leaseChanged);
    QSignalSpy second(&session, &RegisterSession::leaseChanged);
    QVERIFY(!session.refreshIfChangedElsewhere());
    const qint64 id =
        session.store().addLease(makeLease(QStringLiteral("S1"), day("15/03/2023"), 85000)).value();
    session.announce(id);
    QVERIFY(!session.refreshIfChangedElsewhere()); // its own write
    LeaseStore other;
    QVERIFY(other.open(m_dir->path()));
    QVERIFY(other.addLease(makeLease(QStringLiteral("S2"), day("15/03/2023"), 85000)));
    QVERIFY(session.refreshIfChangedElsewhere());
    QVERIFY(!session.refreshIfChangedElsewhere()); // told once
    for (const QSignalSpy* spy : {&first, &second}) {
        QCOMPARE(spy->count(), 2);
        QCOMPARE(spy->at(0).at(0).toLongLong(), id);
        QCOMPARE(spy->at(1).at(0).toLongLong(), 0); // the whole register
    }
}

// A register opened while it was read-only, then made writable again, opens
// for writing: its journals follow it.
void TestRegisterSafety::journalsFollowTheRegister()
{
    LeaseStore writer;
    QVERIFY(writer.open(m_dir->path()));
    QVERIFY(writer.addLease(makeLease(QStringLiteral("W1"), day("15/03/2023"), 85000)));
    // Another program keeps it open: the journals stay.
    LeaseStore other;
    QVERIFY(other.open(m_dir->path()));
    writer.close();
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(file(), readOnly));
    other.close();
    {
        LeaseStore reader;
        QVERIFY2(reader.open(m_dir->path()), qPrintable(reader.error()));
        QVERIFY(reader.isReadOnly());
        QCOMPARE(reader.leases()->size(), std::size_t(1));
    }
    QVERIFY(QFile::setPermissions(file(), readOnly | QFile::WriteOwner));
    int journals = 0;
    for (const char* suffix : {"-shm", "-wal"}) {
        const QString journal = file() + QString::fromLatin1(suffix);
        if (!QFile::exists(journal))
            continue;
        ++journals;
        QVERIFY2(QFileInfo(journal).permissions() & QFile::WriteOwner, suffix);
        QVERIFY(QFile::setPermissions(journal, readOnly)); // as an earlier Velmaris left them
    }
    QVERIFY(journals > 0);
    LeaseStore store;
    QVERIFY2(store.open(m_dir->path()), qPrintable(store.error()));
    QVERIFY(!store.isReadOnly());
    QVERIFY2(store.addLease(makeLease(QStringLiteral("W2"), day("15/03/2023"), 85000)),
             qPrintable(store.error()));
    for (const char* suffix : {"-shm", "-wal"}) {
        const QFileInfo journal(file() + QString::fromLatin1(suffix));
        if (journal.exists())
            QVERIFY(journal.permissions() & QFile::WriteOwner);
    }
}

// Takes a register back to version 3, as the previous Velmaris left it.
static void downgradeToVersion3(const QString& path)
{
    for (const char* trigger : {"letters_sent_checks_insert", "letters_sent_checks_update"})
        sql(path, QStringLiteral("DROP TRIGGER ") + QLatin1String(trigger));
    sql(path, QStringLiteral("DROP TABLE letters_sent"));
    sql(path, QStringLiteral("ALTER TABLE leases DROP COLUMN tenant_email"));
    for (const char* table : {"owners_checks_insert", "owners_checks_update", "agency_checks_insert",
                              "agency_checks_update", "index_figures_checks_insert",
                              "index_figures_checks_update"})
        sql(path, QStringLiteral("DROP TRIGGER ") + QLatin1String(table));
    sql(path, QStringLiteral("DROP INDEX leases_by_owner"));
    sql(path, QStringLiteral("ALTER TABLE leases DROP COLUMN owner_id"));
    for (const char* table : {"owners", "agency", "adopted_landlords", "index_figures"})
        sql(path, QStringLiteral("DROP TABLE ") + QLatin1String(table));
    for (const char* trigger :
         {"leases_checks_insert", "leases_checks_update", "revisions_checks_insert",
          "charged_rents_checks_insert", "charged_rents_checks_update"})
        sql(path, QStringLiteral("DROP TRIGGER ") + QLatin1String(trigger));
    sql(path, QStringLiteral("DROP INDEX schema_version_key"));
    for (const char* column : {"version", "town", "landlord_kind"})
        sql(path, QStringLiteral("ALTER TABLE leases DROP COLUMN ") + QLatin1String(column));
    for (const char* column : {"applied_by", "applied_at"})
        sql(path, QStringLiteral("ALTER TABLE revisions DROP COLUMN ") + QLatin1String(column));
    sql(path, QStringLiteral("UPDATE schema_version SET version = 3"));
}

void TestRegisterSafety::migrationCopyIsWhole()
{
    // A version-3 register, as the previous Velmaris left it.
    {
        LeaseStore store;
        QVERIFY(store.open(m_dir->path()));
        QVERIFY(store.importLeases({makeLease(QStringLiteral("M1"), day("15/03/2023"), 85000),
                                    makeLease(QStringLiteral("M2"), day("15/03/2023"), 85000)}));
    }
    downgradeToVersion3(file());
    sql(file(), QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    // A copy killed while it was written, under the copy's own name.
    writeAll(file() + QStringLiteral(".v3.bak"), QByteArray("SQLite format 3\0", 16) + "cut");

    LeaseStore store;
    QVERIFY2(store.open(m_dir->path()), qPrintable(store.error()));
    QCOMPARE(store.backupPath(), file() + QStringLiteral(".v3.bak"));
    QCOMPARE(sql(store.backupPath(), QStringLiteral("SELECT count(*) FROM leases")).toInt(), 2);
    QCOMPARE(sql(store.backupPath(), QStringLiteral("SELECT version FROM schema_version")).toInt(),
             3);
    QCOMPARE(store.findLease(QStringLiteral("M1"))->version, qint64(1));
    QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("*partiel*")}, QDir::Files),
             QStringList());

    // A sound copy already there is kept; the new one takes the next name.
    store.close();
    downgradeToVersion3(file());
    const QByteArray sound = readAll(file() + QStringLiteral(".v3.bak"));
    QVERIFY(store.open(m_dir->path()));
    QCOMPARE(store.backupPath(), file() + QStringLiteral(".v3.2.bak"));
    QCOMPARE(readAll(file() + QStringLiteral(".v3.bak")), sound);
}

void TestRegisterSafety::csvRoundTripKeepsStatuses()
{
    const IndexTable table = realTable();
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    Lease lost = makeLease(QStringLiteral("LYO-07"), day("01/04/2020"), 65000);
    lost.priorRevision = day("01/04/2022");
    Lease fresh = makeLease(QStringLiteral("PAR-01"), day("01/09/2024"), 120000);
    QVERIFY(store.importLeases({lyo03(), lost, fresh}));
    QVERIFY(applyAt(store, QStringLiteral("LYO-03"), day("10/12/2025"), table));
    QVERIFY(applyAt(store, QStringLiteral("LYO-07"), day("15/04/2023"), table));
    QCOMPARE(store.findLease(QStringLiteral("LYO-03"))->rentCents, 78730);

    const QString csv = m_dir->filePath(QStringLiteral("baux.csv"));
    QString error;
    QVERIFY2(exportLeasesCsv(store, csv, &error), qPrintable(error));
    QVERIFY(readAll(csv).contains(";revision_appliquee;bailleur_nom;bailleur_adresse;"
                                  "bailleur_code_postal;bailleur_commune;bailleur_type;locataire_courriel\r\n"));
    QVERIFY(readAll(csv).contains(
        ";10/12/2024;;10/12/2025;Bailleur à renseigner;;;;personne physique;\r\n"));

    QTemporaryDir elsewhere;
    LeaseStore copy;
    QVERIFY(copy.open(elsewhere.path()));
    const ImportOutcome imported = importLeasesCsv(copy, csv);
    QVERIFY2(imported.ok, qPrintable(imported.errors.join(u'\n')));
    for (const char* at : {"11/12/2025", "15/01/2026", "10/12/2026", "20/06/2027"})
        QCOMPARE(statuses(copy, table, day(at)), statuses(store, table, day(at)));
    // LYO-03 is not revised twice in one year.
    const Lease lyo = *copy.findLease(QStringLiteral("LYO-03"));
    QCOMPARE(reviseLease(lyo, {}, table, day("11/12/2025")).canApply(), false);

    // A file written before the columns existed still imports, as then.
    QByteArray older;
    for (const QByteArray& line : readAll(csv).split('\n')) {
        QByteArray cut = line;
        // the tenant's e-mail, the owner's five, and the revision applied
        for (int column = 0; column < 7; ++column)
            cut = cut.left(cut.lastIndexOf(';'));
        if (!line.isEmpty())
            older += cut + "\r\n";
    }
    QVERIFY(!older.contains("revision_appliquee") && !older.contains("10/12/2025"));
    const CsvImport parsed = parseLeasesCsv(older);
    QVERIFY2(parsed.ok(), qPrintable(parsed.errors.join(u'\n')));
    QCOMPARE(parsed.leases[0].priorRevision, day("10/12/2024"));
}

void TestRegisterSafety::backupAndRestore()
{
    const IndexTable table = realTable();
    LeaseStore store, other;
    QVERIFY(store.open(m_dir->path()));
    QVERIFY(
        store.importLeases({lyo03(), makeLease(QStringLiteral("B-1"), day("15/03/2023"), 90000)}));
    QVERIFY(applyAt(store, QStringLiteral("LYO-03"), day("10/12/2025"), table));
    const qint64 b1 = store.findLease(QStringLiteral("B-1"))->id;
    QVERIFY(store.setChargedRents(b1, {{day("01/04/2023"), 90000, {}}}));
    const QStringList before = statuses(store, table, day("15/01/2026"));

    QTemporaryDir saves;
    const QString backup = saves.filePath(QStringLiteral("registre.sqlite"));
    const BackupLandlord landlord{
        QStringLiteral("SCI Les Tilleuls"),
        {QStringLiteral("4 place Bellecour"), QStringLiteral("69002 Lyon")},
        QStringLiteral("Lyon")};
    QVERIFY(other.open(m_dir->path())); // another program has the register open meanwhile
    QVERIFY2(store.backupTo(backup, &landlord), qPrintable(store.error()));
    QCOMPARE(QDir(saves.path()).entryList(QDir::Files),
             QStringList{QStringLiteral("registre.sqlite")});

    // Work goes on, then the backup comes back.
    QVERIFY(applyAt(store, QStringLiteral("B-1"), day("20/03/2024"), table));
    QVERIFY(store.addLease(makeLease(QStringLiteral("C-9"), day("15/03/2023"), 1000)));
    const Lease stale = *other.findLease(QStringLiteral("B-1"));
    QString kept;
    BackupLandlord back;
    QVERIFY2(store.restoreFrom(backup, &kept, &back), qPrintable(store.error()));
    QCOMPARE(back, landlord);
    QCOMPARE(statuses(store, table, day("15/01/2026")), before);
    QCOMPARE(store.history(store.findLease(QStringLiteral("LYO-03"))->id)->size(), std::size_t(1));
    QCOMPARE(store.chargedRents(b1)->size(), std::size_t(1));
    QVERIFY(!store.findLease(QStringLiteral("C-9")));
    // The register as it was is kept, dated, beside it.
    QVERIFY(kept.startsWith(file() + u'.') && kept.endsWith(QStringLiteral(".bak")));
    QCOMPARE(sql(kept, QStringLiteral("SELECT count(*) FROM leases")).toInt(), 3);
    QVERIFY(!sql(file(), QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = "
                                        "'backup_landlord'"))
                 .toInt());
    // The other program sees the change, and a form it opened before cannot undo it.
    QVERIFY(other.changedElsewhere());
    QVERIFY(!other.updateLease(stale));
    QCOMPARE(other.errorKind(), StoreError::Conflict);
}

// Two restores in one second each keep the register they replace, under names
// of their own; and a lease another program adds while restores run is in the
// register or in the copy kept by the restore that replaced it, never lost.
void TestRegisterSafety::restoresNeverLoseARegister()
{
    {
        LeaseStore store;
        QVERIFY(store.open(m_dir->path()));
        QVERIFY(store.addLease(makeLease(QStringLiteral("A-1"), day("15/03/2023"), 90000)));
    }
    QTemporaryDir saves;
    const QString backup = saves.filePath(QStringLiteral("vide.sqlite"));
    {
        LeaseStore empty;
        QVERIFY(empty.open(saves.path()));
        QVERIFY(empty.backupTo(backup, nullptr));
    }
    // Names a restore of this second or the next would take, already there.
    const QDateTime now = QDateTime::currentDateTime();
    for (const QDateTime& at : {now, now.addSecs(1)})
        test::writeAll(datedCopyName(file(), at), "autre copie");

    std::atomic<bool> stop{false};
    QStringList added; // what the other program was told is recorded
    std::thread writer([&] {
        LeaseStore other;
        if (!other.open(m_dir->path()))
            return;
        for (int i = 0; !stop; ++i) {
            const QString reference = QStringLiteral("W-%1").arg(i);
            if (other.addLease(makeLease(reference, day("15/03/2023"), 80000)))
                added << reference;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    QStringList kept;
    for (int i = 0; i < 6; ++i) {
        QString copy;
        if (store.restoreFrom(backup, &copy))
            kept << copy;
        QTest::qWait(5);
    }
    stop = true;
    writer.join();
    QVERIFY(kept.size() >= 2);
    QCOMPARE(QSet<QString>(kept.begin(), kept.end()).size(), kept.size());
    for (const QDateTime& at : {now, now.addSecs(1)})
        QCOMPARE(test::readAll(datedCopyName(file(), at)), QByteArray("autre copie"));
    QCOMPARE(sql(kept.first(), QStringLiteral("SELECT count(*) FROM leases WHERE reference = "
                                              "'A-1'"))
                 .toInt(),
             1);
    for (const QString& reference : added) {
        const QString where =
            QStringLiteral("SELECT count(*) FROM leases WHERE reference = '%1'").arg(reference);
        bool found = sql(file(), where).toInt() == 1;
        for (const QString& copy : kept)
            found = found || sql(copy, where).toInt() == 1;
        QVERIFY2(found, qPrintable(reference));
    }
}

void TestRegisterSafety::leftoversOfKilledRunsGo()
{
    const QString deadPid = QString::number(1 << 30); // above any system's pid_max
    const QString live = QString::number(QCoreApplication::applicationPid());
    const QStringList left = {
        file() + QStringLiteral(".restauration-") + deadPid,
        file() + QStringLiteral(".restauration-") + deadPid + QStringLiteral("-0badf00d-journal"),
        file() + QStringLiteral(".2026-01-05-101010.bak.partiel-") + deadPid
            + QStringLiteral("-00c0ffee"),
    };
    const QStringList kept = {file() + QStringLiteral(".restauration-") + live,
                              file() + QStringLiteral(".2026-01-05-101010.bak")};
    for (const QString& path : left + kept)
        test::writeAll(path, "reste");
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    for (const QString& path : left)
        QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
    for (const QString& path : kept)
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));
}

void TestRegisterSafety::restoreRefusesBadFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("damaged") << "damaged"
                             << "est endommagé";
    QTest::newRow("newer") << "newer"
                           << "a été écrit par une version plus récente de Velmaris";
    QTest::newRow("no leases") << "foreign"
                               << "n’est pas un registre des baux de Velmaris";
    QTest::newRow("missing") << "missing"
                             << "n’est pas un fichier";
    QTest::newRow("the register itself") << "self"
                                         << "c’est le registre lui-même";
    // Edited by hand: refused whole, the lease and the field named.
    QTest::newRow("territory") << "UPDATE leases SET territory = 'mars'"
                               << "bail «\u00a0K1\u00a0»\u00a0: territoire inconnu «\u00a0mars\u00a0»";
    QTest::newRow("clause") << "UPDATE leases SET clause = 'x?'"
                            << "bail «\u00a0K1\u00a0»\u00a0: clause inconnue «\u00a0x?\u00a0»";
    QTest::newRow("quarter") << "UPDATE leases SET reference_quarter = '99999'"
                             << "bail «\u00a0K1\u00a0»\u00a0: trimestre de référence invalide «\u00a099999\u00a0»";
    QTest::newRow("notes") << "UPDATE leases SET notes = printf('%.5000c', 'x')"
                           << "bail «\u00a0K1\u00a0»\u00a0: notes trop longues (4000 caractères au plus)";
}

void TestRegisterSafety::restoreRefusesBadFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    QVERIFY(store.addLease(makeLease(QStringLiteral("K1"), day("15/03/2023"), 85000)));
    QTemporaryDir saves;
    QString source = saves.filePath(QStringLiteral("sauvegarde.sqlite"));
    if (kind == u"damaged") {
        writeAll(source, QByteArray("SQLite format 3\0", 16) + QByteArray(5000, 'x'));
    } else if (kind == u"newer") {
        QVERIFY(store.backupTo(source));
        sql(source, QStringLiteral("UPDATE schema_version SET version = 99"));
    } else if (kind == u"foreign") {
        sql(source, QStringLiteral("CREATE TABLE photos (id INTEGER)"));
    } else if (kind == u"self") {
        source = file();
    } else if (kind.startsWith(u"UPDATE")) {
        QVERIFY(store.backupTo(source));
        // By hand, past what the file itself refuses.
        sql(source, QStringLiteral("DROP TRIGGER leases_checks_update"));
        sql(source, kind);
    }
    QVERIFY(!store.restoreFrom(source));
    QVERIFY2(store.error().contains(reason), qPrintable(store.error()));
    QVERIFY(store.error().endsWith(QStringLiteral("le registre n’a pas été modifié.")));
    QCOMPARE(store.errorKind(), StoreError::Refused);
    QCOMPARE(store.leases()->size(), std::size_t(1));
    QCOMPARE(
        QDir(m_dir->path())
            .entryList({QStringLiteral("*.bak"), QStringLiteral("*restauration*")}, QDir::Files),
        QStringList());
}

void TestRegisterSafety::backupNeverLeavesAHalfFile()
{
    LeaseStore store;
    QVERIFY(store.open(m_dir->path()));
    QVERIFY(store.addLease(makeLease(QStringLiteral("H1"), day("15/03/2023"), 85000)));
    QTemporaryDir saves;
    const QString target = saves.filePath(QStringLiteral("registre.sqlite"));
    writeAll(target, "the previous backup");
    // A folder that cannot be written: the old backup stays as it was.
    QVERIFY(QFile::setPermissions(saves.path(), QFile::ReadOwner | QFile::ExeOwner));
    const bool refused = !store.backupTo(target);
    QVERIFY(QFile::setPermissions(saves.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    if (::geteuid() != 0) {
        QVERIFY(refused);
        QVERIFY(store.error().contains(target));
    }
    if (refused)
        QCOMPARE(readAll(target), QByteArray("the previous backup"));
    QCOMPARE(QDir(saves.path()).entryList(QDir::Files),
             QStringList{QStringLiteral("registre.sqlite")});
    // Written, it replaces the old one whole.
    QVERIFY2(store.backupTo(target), qPrintable(store.error()));
    QCOMPARE(sql(target, QStringLiteral("SELECT reference FROM leases")).toString(),
             QStringLiteral("H1"));
}

// A really full file system: a small tmpfs in a mount namespace of its own.
void TestRegisterSafety::backupOnAFullDisk()
{
    if (QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        QSKIP("unshare is missing: no mount namespace for a full disk");
    {
        LeaseStore store;
        QVERIFY(store.open(m_dir->path()));
        std::vector<Lease> leases;
        for (int i = 0; i < 400; ++i)
            leases.push_back(makeLease(QStringLiteral("F%1").arg(i), day("15/03/2023"), 85000));
        QVERIFY(store.importLeases(leases));
    }
    QTemporaryDir full;
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("unshare"),
                {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                 QStringLiteral("mount -t tmpfs -o size=96k tmpfs \"$2\" || exit 77; "
                                "exec \"$0\" --full-disk-child \"$1\" \"$2\""),
                 QCoreApplication::applicationFilePath(), m_dir->path(), full.path()});
    QVERIFY(child.waitForFinished(30000));
    const QByteArray said = child.readAll();
    if (child.exitCode() == 77)
        QSKIP("no tmpfs can be mounted here");
    QVERIFY2(child.exitCode() == 0, said.constData());
    QVERIFY2(said.contains("plein"), said.constData());
}

VELMARIS_TEST(TestRegisterSafety)
VELMARIS_TEST_CHILD("--full-disk-child", [](int argc, char** argv) {
    return argc == 4
               ? fullDiskChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]))
               : 2;
})

#include "tst_registersafety.moc"
