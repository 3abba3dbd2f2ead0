// SPDX-License-Identifier: GPL-3.0-or-later
// The register's whole cycle from the command line: a revision recorded as
// "Appliquer" records it, exported, imported elsewhere, saved and brought back.
#include "cli.h"
#include "indexfile.h"
#include "lawfulrevision.h"
#include "leasecsv.h"
#include "leasestore.h"
#include "settings.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "clifixture.h"
#include "testsupport.h"

using namespace velmaris;
using namespace velmaris::test;

namespace {

Lease lease(const QString& reference, const char* start, qint64 rent, const char* prior = nullptr)
{
    Lease l;
    l.reference = reference;
    l.tenant = QStringLiteral("Mme Durand");
    l.postalCode = QStringLiteral("69003");
    l.signingDate = day(start);
    l.startDate = day(start);
    l.rentCents = rent;
    if (prior)
        l.priorRevision = day(prior);
    return l;
}

// LYO-03, revised each 10 December by the IRL of the third quarter.
Lease lyo03()
{
    Lease l = lease(QStringLiteral("LYO-03"), "10/12/2019", 78050, "10/12/2024");
    l.referenceQuarter = Quarter(2019, 3);
    return l;
}

void fill(const QString& folder, const std::vector<Lease>& leases)
{
    LeaseStore store;
    QVERIFY(store.open(folder));
    QVERIFY2(store.importLeases(leases), qPrintable(store.error()));
}

} // namespace

class TestCliRegister : public QObject {
    Q_OBJECT

private slots:
    void applyRevision_data();
    void applyRevision();
    void appliesAsTheWindowDoes();
    void importIntoUnwritableRegister_data();
    void importIntoUnwritableRegister();
    void wholeCycle();
    void applyDue();
    void dataFolderHoldsItsIndexFile();
    void backupAndRestore();
    void backupRefusals_data();
    void backupRefusals();
    void pipeAsIndexFile_data();
    void pipeAsIndexFile();
};

void TestCliRegister::applyRevision_data()
{
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");

    QTest::newRow("due") << "LYO-03"
                         << "" << 0
                         << "Révision enregistrée\u00a0: loyer 780,50 € porté à 787,30 € à compter "
                            "du 10/12/2025.";
    // Recorded when asked: a request dated tomorrow would count a claimable year as lost.
    QTest::newRow("asked after today") << "LYO-03"
                                       << "ahead" << kExitBadArguments << "après aujourd’hui";
    QTest::newRow("not due yet") << "NEW-1"
                                 << "" << kExitRevision
                                 << "Aucune révision à enregistrer au 10/12/2025\u00a0: à jour.";
    QTest::newRow("unknown lease")
        << "XX-9"
        << "" << kExitBadArguments << "Aucun bail de référence «\u00a0XX-9\u00a0» dans le registre.";
    QTest::newRow("read-only register") << "LYO-03"
                                        << "readonly" << kExitRegister << "est en lecture seule";
    QTest::newRow("register busy")
        << "LYO-03"
        << "busy" << kExitRegister << "est occupé par un autre programme";
}

void TestCliRegister::applyRevision()
{
    QFETCH(QString, reference);
    QFETCH(QString, setup);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    fill(dir.path(), {lyo03(), lease(QStringLiteral("NEW-1"), "01/09/2025", 90000)});
    const QString path = dir.filePath(LeaseStore::fileName());
    if (setup == u"readonly")
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    std::optional<QSqlDatabase> holder;
    if (setup == u"busy") {
        holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        holder->setDatabaseName(path);
        QVERIFY(holder->open());
        QVERIFY(QSqlQuery(*holder).exec(QStringLiteral("BEGIN IMMEDIATE")));
    }
    const QString requested = setup == u"ahead"
                                  ? QDate::currentDate().addDays(1).toString(u"dd/MM/yyyy")
                                  : QStringLiteral("10/12/2025");
    const CommandLineResult r =
        runInFolder(dir.path(), {QStringLiteral("--apply-revision"), reference,
                                 QStringLiteral("--request-date"), requested});
    if (holder) {
        holder->close();
        holder.reset();
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    }
    QCOMPARE(r.status, status);
    QVERIFY2((status == 0 ? r.output : r.error).contains(said), qPrintable(r.output + r.error));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    LeaseStore store;
    QVERIFY(store.open(dir.path()));
    const Lease after = *store.findLease(QStringLiteral("LYO-03"));
    QCOMPARE(after.rentCents, status == 0 && reference == u"LYO-03" ? 78730 : 78050);
    QCOMPARE(store.history(after.id)->size(), std::size_t(status == 0 ? 1 : 0));

    if (status == 0) { // a second time, nothing is left to record
        const CommandLineResult again = runInFolder(
            dir.path(), {QStringLiteral("--apply-revision"), reference,
                         QStringLiteral("--request-date"), QStringLiteral("11/12/2025")});
        QCOMPARE(again.status, kExitRevision);
        QCOMPARE(store.findLease(QStringLiteral("LYO-03"))->rentCents, 78730);
    }
}

// A register that cannot take the import is the register's fault (5), and
// the message says why; the file itself is sound.
void TestCliRegister::importIntoUnwritableRegister_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("said");
    QTest::newRow("busy") << "busy"
                          << "est occupé par un autre programme";
    QTest::newRow("read-only") << "readonly"
                               << "est en lecture seule";
    QTest::newRow("data folder is a file") << "file"
                                           << "pas un dossier";
}

void TestCliRegister::importIntoUnwritableRegister()
{
    QFETCH(QString, setup);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("registre"));
    QVERIFY(QDir().mkpath(folder));
    fill(folder, {lyo03()});
    const QString path = QDir(folder).filePath(LeaseStore::fileName());
    const QString csv = dir.filePath(QStringLiteral("baux.csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly)
            && file.write(leasesToCsv({lease(QStringLiteral("NEW-2"), "01/09/2025", 90000)})) > 0);
    file.close();
    if (setup == u"readonly")
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    if (setup == u"file")
        folder = csv;
    std::optional<QSqlDatabase> holder;
    if (setup == u"busy") {
        holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        holder->setDatabaseName(path);
        QVERIFY(holder->open());
        QVERIFY(QSqlQuery(*holder).exec(QStringLiteral("BEGIN IMMEDIATE")));
    }
    const CommandLineResult r = runInFolder(folder, {QStringLiteral("--import-leases"), csv});
    if (holder) {
        holder->close();
        holder.reset();
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(r.status, kExitRegister);
    QVERIFY2(r.error.contains(said), qPrintable(r.error));
}

// What the command line records is what "Appliquer" records, and it prints
// what --revise-lease prints before saying so.
void TestCliRegister::appliesAsTheWindowDoes()
{
    QTemporaryDir dir;
    fill(dir.path(), {lyo03()});
    const QStringList at = {QStringLiteral("--request-date"), QStringLiteral("15/12/2025")};
    const CommandLineResult shown = runInFolder(
        dir.path(), QStringList{QStringLiteral("--revise-lease"), QStringLiteral("LYO-03")} + at);
    LeaseStore store;
    QVERIFY(store.open(dir.path()));
    const Lease before = *store.findLease(QStringLiteral("LYO-03"));
    IndexTable table;
    table.filePath = kShippedFile;
    QVERIFY(loadIndexTable(table).ok());
    RevisionRecord expected = reviseLease(before, {}, table, day("15/12/2025")).record(before.id);

    const CommandLineResult applied = runInFolder(
        dir.path(), QStringList{QStringLiteral("--apply-revision"), QStringLiteral("LYO-03")} + at);
    QCOMPARE(applied.status, 0);
    QVERIFY(applied.output.startsWith(shown.output));
    const std::vector<RevisionRecord> history = *store.history(before.id);
    QCOMPARE(history.size(), std::size_t(1));
    expected.id = history[0].id;
    QCOMPARE(history[0], expected);
}

// LYO-03's revision of 10/12/2025 applied, the register exported and imported
// into a fresh one: the same statuses, the same next revisions, and LYO-03 is
// not revised twice in one year.
void TestCliRegister::wholeCycle()
{
    QTemporaryDir first, second;
    fill(first.path(), {lyo03(), lease(QStringLiteral("LYO-07"), "01/04/2020", 65000, "01/04/2022"),
                        lease(QStringLiteral("PAR-01"), "01/09/2024", 120000)});
    QCOMPARE(
        runInFolder(first.path(), {QStringLiteral("--apply-revision"), QStringLiteral("LYO-03"),
                                   QStringLiteral("--request-date"), QStringLiteral("10/12/2025")})
            .status,
        0);
    QCOMPARE(
        runInFolder(first.path(), {QStringLiteral("--apply-revision"), QStringLiteral("LYO-07"),
                                   QStringLiteral("--request-date"), QStringLiteral("15/04/2023")})
            .status,
        0);
    const QString csv = first.filePath(QStringLiteral("baux.csv"));
    QCOMPARE(runInFolder(first.path(), {QStringLiteral("--export-leases"), csv}).status, 0);
    QCOMPARE(runInFolder(second.path(), {QStringLiteral("--import-leases"), csv}).status, 0);
    for (const char* at : {"11/12/2025", "20/01/2026", "10/12/2026"}) {
        const QStringList args = {QStringLiteral("--leases"), QStringLiteral("--all"),
                                  QStringLiteral("--date"), QString::fromLatin1(at)};
        QCOMPARE(runInFolder(second.path(), args).output, runInFolder(first.path(), args).output);
    }
    const CommandLineResult twice = runInFolder(
        second.path(), {QStringLiteral("--apply-revision"), QStringLiteral("LYO-03"),
                        QStringLiteral("--request-date"), QStringLiteral("11/12/2025")});
    QCOMPARE(twice.status, kExitRevision);
    QVERIFY(!twice.output.contains(QStringLiteral("794,17")));
}

// The month's batch: what is due recorded at once, then nothing left (4); a
// date ahead is refused.
void TestCliRegister::applyDue()
{
    QTemporaryDir dir;
    Lease due = lease(QStringLiteral("DUE-1"), "01/10/2024", 85000);
    due.referenceQuarter = Quarter(2024, 2);
    fill(dir.path(), {due, lease(QStringLiteral("PLUS-TARD"), "01/03/2025", 70000)});
    const QStringList args = {QStringLiteral("--apply-due"), QStringLiteral("--date"),
                              QStringLiteral("20/11/2025")};
    CommandLineResult r = runInFolder(dir.path(), args);
    QVERIFY2(r.status == 0, qPrintable(r.error));
    QCOMPARE(r.output, QStringLiteral("Référence\tLocataire\tLoyer\tNouveau loyer\tEffet\t"
                                      "Résultat\r\nDUE-1\tMme Durand\t850,00\t858,84\t"
                                      "20/11/2025\tenregistrée\r\n"));
    QCOMPARE(r.error, QStringLiteral("Révisions dues au 20/11/2025\u00a0: 1\u00a0enregistrée, aucune "
                                     "non enregistrée.\n"));
    r = runInFolder(dir.path(), args);
    QCOMPARE(r.status, kExitRevision);
    QVERIFY2(r.error.startsWith(QStringLiteral("Aucune révision due au 20/11/2025")),
             qPrintable(r.error));
    r = runInFolder(dir.path(), {QStringLiteral("--apply-due"), QStringLiteral("--date"),
                                 QDate::currentDate().addDays(1).toString(u"dd/MM/yyyy")});
    QCOMPARE(r.status, kExitBadArguments);
}

// --data-folder D is D's whole data: a quarter added there is the one every
// command on D reads; the program's own file is not touched.
void TestCliRegister::dataFolderHoldsItsIndexFile()
{
    QTemporaryDir dir;
    Lease q1 = lease(QStringLiteral("Q1"), "01/06/2024", 80000);
    q1.referenceQuarter = Quarter(2024, 1);
    fill(dir.path(), {q1});
    const QByteArray shipped = readAll(kShippedFile);
    const QStringList revise = {QStringLiteral("--revise-lease"), QStringLiteral("Q1")};
    QCOMPARE(runInFolder(dir.path(), revise).status, kExitRevision); // no 1st quarter 2026
    const QStringList rent = {QStringLiteral("--rent"), QStringLiteral("850"),
                              QStringLiteral("--quarter"), QStringLiteral("12024")};
    const QString before = runInFolder(dir.path(), rent).output;

    CommandLineResult r =
        runInFolder(dir.path(), {QStringLiteral("--add-index"), QStringLiteral("12026"),
                                 QStringLiteral("147.10"), QStringLiteral("--published"),
                                 QStringLiteral("15/04/2026")});
    QVERIFY2(r.status == 0, qPrintable(r.error));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("VELMARIS.TXT"))));
    QCOMPARE(readAll(kShippedFile), shipped);
    r = runInFolder(dir.path(), revise);
    QVERIFY2(r.status == 0, qPrintable(r.error));
    QVERIFY2(r.output.contains(QStringLiteral("IRL du 1er tr.2026 = 147,1")), qPrintable(r.output));
    QVERIFY(runInFolder(dir.path(), rent).output != before);
    r = runInFolder(dir.path(), {QStringLiteral("--apply-due")});
    QVERIFY2(r.status == 0 && r.output.contains(QStringLiteral("\tenregistrée")),
             qPrintable(r.output + r.error));
}

void TestCliRegister::backupAndRestore()
{
    QTemporaryDir dir, saves;
    fill(dir.path(), {lyo03()});
    const QString ini = dir.filePath(QStringLiteral("Velmaris.ini"));
    const LandlordSettings landlord{
        QStringLiteral("SCI Les Tilleuls"),
        {QStringLiteral("4 place Bellecour"), QStringLiteral("69002 Lyon")},
        QStringLiteral("Lyon")};
    QVERIFY(writeLandlord(landlord, ini));
    const QString backup = saves.filePath(QStringLiteral("registre.sqlite"));
    const CommandLineResult saved = runInFolder(dir.path(), {QStringLiteral("--backup"), backup});
    QCOMPARE(saved.status, 0);
    QCOMPARE(saved.output,
             QStringLiteral("Registre sauvegardé dans %1 (1\u00a0bail).\n").arg(backup));

    QCOMPARE(
        runInFolder(dir.path(), {QStringLiteral("--apply-revision"), QStringLiteral("LYO-03"),
                                 QStringLiteral("--request-date"), QStringLiteral("10/12/2025")})
            .status,
        0);
    QVERIFY(writeLandlord({QStringLiteral("Autre"), {QStringLiteral("1 rue")}, QString()}, ini));
    // A settings file that could not take the backup's landlord refuses the
    // restore before anything is replaced.
    const QString aside = dir.filePath(QStringLiteral("ailleurs.ini"));
    QVERIFY(QFile::rename(ini, aside) && QFile::link(aside, ini));
    const CommandLineResult refused =
        runInFolder(dir.path(), {QStringLiteral("--restore"), backup});
    QCOMPARE(refused.status, kExitRegister);
    QVERIFY2(refused.error.contains(QStringLiteral("le registre n’a pas été modifié")),
             qPrintable(refused.error));
    QVERIFY(refused.output.isEmpty());
    QVERIFY(QDir(dir.path()).entryList({QStringLiteral("Velmaris.sqlite.20*.bak")}).isEmpty());
    QVERIFY(QFile::remove(ini) && QFile::rename(aside, ini));
    const CommandLineResult restored =
        runInFolder(dir.path(), {QStringLiteral("--restore"), backup});
    QCOMPARE(restored.status, 0);
    QVERIFY(restored.output.startsWith(
        QStringLiteral("Registre restauré de %1 (1\u00a0bail)").arg(backup)));
    QCOMPARE(readLandlord(ini), landlord);
    LeaseStore store;
    QVERIFY(store.open(dir.path()));
    QCOMPARE(store.findLease(QStringLiteral("LYO-03"))->rentCents, 78050);
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("Velmaris.sqlite.20*.bak")}).size(), 1);

    // A backup that does not hold is refused as a file; the register stays.
    velmaris::test::writeAll(backup, "SQLite format 3");
    const CommandLineResult bad = runInFolder(dir.path(), {QStringLiteral("--restore"), backup});
    QCOMPARE(bad.status, kExitRefused);
    QVERIFY(bad.error.endsWith(QStringLiteral("le registre n’a pas été modifié.\n")));
    QCOMPARE(store.leases()->size(), std::size_t(1));
}

void TestCliRegister::pipeAsIndexFile_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::newRow("--add-index") << QStringList{
        QStringLiteral("--add-index"), QStringLiteral("12026"), QStringLiteral("146.60"),
        QStringLiteral("--published"), QStringLiteral("15/04/2026")};
    QTest::newRow("--import-insee") << QStringList{
        QStringLiteral("--import-insee"),
        QStringLiteral(VELMARIS_SOURCE_DIR "/tests/update/data/insee/serie_001515333.zip")};
}

// A pipe given as the index file is refused at once, never waited on.
void TestCliRegister::pipeAsIndexFile()
{
    QFETCH(QStringList, command);
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("VELMARIS.TXT"));
    QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    const CommandLineResult r =
        runCommandLine(command + QStringList{QStringLiteral("--index-file"), pipe}, pipe);
    QVERIFY(r.status != 0);
    QVERIFY2(r.error.contains(QStringLiteral("pas un fichier ordinaire")), qPrintable(r.error));
}

void TestCliRegister::backupRefusals_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("said");
    const QString own = QStringLiteral("est un fichier de données de Velmaris");
    QTest::newRow("the register") << "Velmaris.sqlite" << own;
    QTest::newRow("its journal, not there now") << "Velmaris.sqlite-wal" << own;
    QTest::newRow("the settings") << "Velmaris.ini" << own;
    QTest::newRow("the index file") << "@index" << own;
    QTest::newRow("an index file in the register’s folder") << "VELMARIS.TXT" << own;
}

void TestCliRegister::backupRefusals()
{
    QFETCH(QString, target);
    QFETCH(QString, said);
    QTemporaryDir dir;
    fill(dir.path(), {lyo03()});
    const QString path = target == u"@index" ? kShippedFile : dir.filePath(target);
    if (target == u"VELMARIS.TXT")
        QVERIFY(QFile::copy(kShippedFile, path));
    const QByteArray before = velmaris::test::readAll(path);
    const CommandLineResult r = runInFolder(dir.path(), {QStringLiteral("--backup"), path});
    QCOMPARE(r.status, kExitBadArguments);
    QVERIFY2(r.error.startsWith(QStringLiteral("Sauvegarde impossible\u00a0: ")), qPrintable(r.error));
    QVERIFY2(r.error.contains(said), qPrintable(r.error));
    QCOMPARE(velmaris::test::readAll(path), before);
}

VELMARIS_TEST(TestCliRegister)
#include "tst_cliregister.moc"
