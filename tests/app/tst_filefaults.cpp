// SPDX-License-Identifier: GPL-3.0-or-later
// Every writer of the program against the faults a disk and a path can bring:
// a full disk, a read-only disk, a link, the program's own data, a pipe, a
// device. Each must fail with its French reason and leave the old bytes as
// they were. Every import reads regular files of bounded size only. The disk cases need a mount
// namespace of their own (run by tests/platform/in_mount_namespace.sh); without one they are
// skipped.
#include "auditprinter.h"
#include "chargedcsv.h"
#include "cli.h"
#include "datafolder.h"
#include "filechoice.h"
#include "indexfile.h"
#include "indexrestore.h"
#include "indexupdater.h"
#include "leasecsv.h"
#include "leasestore.h"
#include "letteroutput.h"
#include "mainwindow.h"
#include "maj.h"
#include "messagecatcher.h"
#include "registerwindow.h"
#include "settings.h"
#include "testmain.h"

#include "../update/httpfixture.h"
#include "filefaults_data.h"
#include "testsupport.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmaris;
using namespace velmaris::test;

namespace {

// Where a writer writes, and what must come out of its failure unchanged.
struct Scene {
    QString path;     // given to the writer
    QString watched;  // the file whose bytes must stay; empty: none
    QByteArray old;   // its bytes before
    QString specimen; // a pipe that must stay a pipe
};

} // namespace

class TestFileFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void faults_data();
    void faults();
    void importsReadOnlyRegularFiles_data();
    void importsReadOnlyRegularFiles();

private:
    // Sets the fault up for a writer whose file is called name; false: skipped.
    bool prepare(const QString& fault, const QString& name, const QByteArray& old, Scene* scene);
    // Runs the writer on path: true when it said it wrote, *reason what it said.
    bool write(const QString& writer, const QString& path, QString* reason);

    QTemporaryDir m_dir;
    QString m_data; // the program's data folder: the register lives there
    DataFolders m_folders;
    IndexTable m_table;
    LeaseStore m_store;
    QStringList m_mounts;
};

void TestFileFaults::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_data = m_dir.filePath(QStringLiteral("donnees"));
    QVERIFY(QDir().mkpath(m_data));
    m_folders.indexFolder = m_folders.settingsFolder = m_folders.dataFolder = m_data;
    m_folders.shippedIndex = kShipped;
    writeAll(QDir(m_data).filePath(QStringLiteral("VELMARIS.TXT")), readAll(kShipped));
    m_table.filePath = QDir(m_data).filePath(QStringLiteral("VELMARIS.TXT"));
    QVERIFY(loadIndexTable(m_table).ok());
    QVERIFY2(m_store.open(m_data), qPrintable(m_store.error()));
    const QString csv = m_dir.filePath(QStringLiteral("import.csv"));
    writeAll(csv, leasesCsv(40)); // about 6 kB once exported
    const ImportOutcome imported = importLeasesCsv(m_store, csv);
    QVERIFY2(imported.ok, qPrintable(imported.errors.join(u'\n')));
}

void TestFileFaults::cleanup()
{
    FileChoice::setHandler(nullptr);
    for (const QString& mount : std::as_const(m_mounts))
        ::umount2(QFile::encodeName(mount).constData(), MNT_DETACH);
    m_mounts.clear();
    for (const QString& name :
         QDir(m_dir.path())
             .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden)) {
        const QString path = m_dir.filePath(name);
        if (path == m_data || name == u"import.csv")
            continue;
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                        | QFileDevice::ExeOwner);
        if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }
}

bool TestFileFaults::prepare(const QString& fault, const QString& name, const QByteArray& old,
                             Scene* scene)
{
    scene->old = old;
    if (fault == u"full disk" || fault == u"read-only disk") {
        const QString disk = m_dir.filePath(fault == u"full disk" ? QStringLiteral("plein")
                                                                  : QStringLiteral("lecture"));
        const bool mounted = inMountNamespace() && mountSmallDisk(disk);
        if (mounted)
            m_mounts << disk;
        scene->path = scene->watched = QDir(disk).filePath(name);
        if (!mounted) {
            if (fault == u"full disk" || geteuid() == 0)
                return false; // root writes in a folder of mode 0555
            QDir().mkpath(disk);
        }
        writeAll(scene->path, old);
        if (fault == u"full disk") {
            fillLeaving(disk, 4096);
        } else if (mounted) {
            if (::mount(nullptr, QFile::encodeName(disk).constData(), nullptr,
                        MS_REMOUNT | MS_RDONLY, nullptr)
                != 0)
                return false;
        } else {
            QFile::setPermissions(disk, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
    } else if (fault == u"symlink") {
        scene->watched = m_dir.filePath(QStringLiteral("ailleurs.txt"));
        scene->path = m_dir.filePath(name);
        writeAll(scene->watched, old);
        QFile::link(scene->watched, scene->path);
    } else if (fault == u"data file") {
        scene->path = scene->watched = QDir(m_data).filePath(QStringLiteral("Velmaris.sqlite"));
        scene->old = readAll(scene->path);
    } else if (fault == u"pipe") {
        scene->path = scene->specimen = m_dir.filePath(name);
        ::mkfifo(QFile::encodeName(scene->path).constData(), 0600);
    } else if (fault == u"/dev/zero") {
        scene->path = QStringLiteral("/dev/zero");
    }
    return true;
}

bool TestFileFaults::write(const QString& writer, const QString& path, QString* reason)
{
    if (writer == u"settings") {
        UpdateSettings settings;
        settings.address = QStringLiteral("https://example.invalid/telechar/VELMARIS.TXT");
        return writeSettings(settings, path, reason);
    }
    if (writer == u"landlord") {
        LandlordSettings landlord;
        landlord.name = QStringLiteral("Jean Martin");
        landlord.address = {QStringLiteral("12 avenue Foch"), QStringLiteral("69006 Lyon")};
        return writeLandlord(landlord, path, reason);
    }
    if (writer == u"index download") {
        IndexTable table;
        table.filePath = path;
        if (!loadIndexTable(table).ok())
            return true; // the scene is broken: counted as a wrong success
        HttpFixture server;
        server.reply(200, readAll(kShipped));
        IndexUpdater updater(table);
        updater.setToday([] { return QDate::currentDate(); });
        QSignalSpy spy(&updater, &IndexUpdater::finished);
        UpdateSettings settings;
        settings.address = server.url();
        settings.checkConnection = false;
        if (updater.download(settings))
            [&] { QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000); }();
        *reason = updater.lastMessage();
        return updater.lastOutcome() == IndexUpdater::Outcome::Replaced;
    }
    if (writer == u"shipped index put back") {
        *reason = putBackShippedIndex(kShipped, path);
        return reason->isEmpty();
    }
    if (writer == u"lease export") {
        return exportLeasesCsv(m_store, path, reason);
    }
    if (writer == u"lease export, command line") {
        const CommandLineResult r = runCommandLine(
            {QStringLiteral("--export-leases"), path, QStringLiteral("--data-folder"), m_data,
             QStringLiteral("--index-file"), m_table.filePath},
            m_table.filePath, m_data);
        *reason = r.error;
        return r.status == 0 || r.output.contains(QStringLiteral("écrit"));
    }
    // The windows: the path as the file dialog gives it, the box they show.
    test::Messages boxes;
    FileChoice::setHandler([path](bool, const QString&) { return path; });
    bool written = false;
    if (writer == u"settings, Ok in Mise à jour") {
        Settings settings(path);
        Maj maj(settings);
        maj.ftp->setText(QStringLiteral("https://example.invalid/telechar/VELMARIS.TXT"));
        maj.Valider->click();
        written = boxes.texts.isEmpty();
    } else if (writer == u"lease export, window") {
        // Through the main window: the folders it is given reach the register's.
        Settings settings;
        MainWindow main(settings, m_data, QString());
        main.setDataFolders(m_folders);
        main.showRegister();
        if (main.registerWindow()->programFolders().shippedIndex != kShipped)
            return true; // the folders never reached it: counted as a wrong success
        main.registerWindow()->exporter->click();
        written = boxes.titles.size() == 1 && !boxes.texts.front().startsWith(u"Export");
    } else if (writer == u"letters PDF, window") {
        written = !saveLettersAs(nullptr, {sampleLetter()}, QStringLiteral("Lettre"), m_folders)
                       .isEmpty();
    } else if (writer == u"audit PDF") {
        *reason = outputRefusal(path, m_folders);
        return reason->isEmpty() && writeAuditReportPdf(path, sampleReport(), reason);
    }
    *reason = boxes.texts.join(u'\n');
    return written;
}

void TestFileFaults::faults_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("name"); // the file's name, as the writer would call it
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");

    const struct {
        const char* writer;
        const char* name;
        QByteArray old;
        bool output;  // a file the user names: never one of the program's own
        bool anyName; // not forced to end in .pdf
    } writers[] = {
        {"settings", "Velmaris.ini", bulkySettings(), false, true},
        {"landlord", "Velmaris.ini", bulkySettings(), false, true},
        {"settings, Ok in Mise à jour", "Velmaris.ini", bulkySettings(), false, true},
        {"index download", "VELMARIS.TXT", olderIndexFile(), false, false},
        {"shipped index put back", "VELMARIS.TXT", QByteArray(), false, true},
        // The function alone: its callers keep it off the program's files.
        {"lease export", "baux.csv", "ancien export\r\n", false, true},
        {"lease export, command line", "baux.csv", "ancien export\r\n", true, true},
        {"lease export, window", "baux.csv", "ancien export\r\n", true, true},
        {"letters PDF, window", "lettre.pdf", "ancien PDF", false, false},
        {"audit PDF", "audit.pdf", "ancien PDF", true, true},
    };
    const struct {
        const char* fault;
        const char* reason;
    } faults[] = {
        {"full disk", "disque plein"},
        {"read-only disk", ""}, // "lecture seule" on a disk, "accès refusé" for a folder
        {"symlink", "est un lien symbolique"},
        {"data file", "est un fichier de données de Velmaris"},
        {"pipe", "n’est pas un fichier ordinaire"},
        {"/dev/zero", "n’est pas un fichier ordinaire"},
    };
    for (const auto& w : writers) {
        for (const auto& f : faults) {
            const QString fault = QString::fromUtf8(f.fault);
            // The program's own files are their writers' to write; a letter's
            // name always ends in .pdf, so no pipe or device is ever named.
            if ((fault == u"data file" && !w.output)
                || ((fault == u"pipe" || fault == u"/dev/zero") && !w.anyName))
                continue;
            QTest::addRow("%s, %s", w.writer, f.fault)
                << QString::fromUtf8(w.writer) << QString::fromUtf8(w.name) << w.old << fault
                << QString::fromUtf8(f.reason);
        }
    }
}

void TestFileFaults::faults()
{
    QFETCH(QString, writer);
    QFETCH(QString, name);
    QFETCH(QByteArray, old);
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    Scene scene;
    if (!prepare(fault, name, old, &scene))
        QSKIP("needs a mount namespace of its own (unshare -rm)\u00a0: see in_mount_namespace.sh");
    if (QTest::currentTestFailed())
        return;

    const auto listing = [&scene] {
        return QFileInfo(scene.watched)
            .dir()
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    const QStringList before = scene.watched.isEmpty() ? QStringList() : listing();
    QString said;
    QVERIFY2(!write(writer, scene.path, &said), qPrintable(said));
    if (reason.isEmpty())
        reason = inMountNamespace() ? QStringLiteral("lecture seule") : QStringLiteral("accès");
    QVERIFY2(said.contains(reason), qPrintable(said));
    if (!scene.watched.isEmpty())
        QCOMPARE(readAll(scene.watched), scene.old);
    if (fault == u"symlink")
        QVERIFY(QFileInfo(scene.path).isSymLink());
    if (!scene.specimen.isEmpty()) {
        struct stat st;
        QVERIFY(::lstat(QFile::encodeName(scene.specimen).constData(), &st) == 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }
    // No half-written copy is left beside the old file.
    if (!scene.watched.isEmpty())
        QCOMPARE(listing(), before);
}

void TestFileFaults::importsReadOnlyRegularFiles_data()
{
    QTest::addColumn<QString>("importer");
    QTest::addColumn<QString>("path"); // "DIR/..." under a scratch folder
    QTest::addColumn<QString>("reason");
    const struct {
        const char* path;
        const char* reason;
    } files[] = {
        {"DIR/fifo", "ce n’est pas un fichier ordinaire"},
        {"/dev/zero", "ce n’est pas un fichier ordinaire"},
        {"DIR", "c’est un dossier, pas un fichier"},
        {"DIR/big.csv", "le fichier dépasse 64 Mio"},
        {"DIR/absent.csv", "n’existe pas"},
    };
    for (const char* importer : {"leases", "leases, window", "rents charged"})
        for (const auto& f : files)
            QTest::addRow("%s, %s", importer, f.path)
                << QString::fromUtf8(importer) << QString::fromUtf8(f.path)
                << QString::fromUtf8(f.reason);
}

void TestFileFaults::importsReadOnlyRegularFiles()
{
    QFETCH(QString, importer);
    QFETCH(QString, path);
    QFETCH(QString, reason);
    const QString scratch = m_dir.filePath(QStringLiteral("imports"));
    QVERIFY(QDir().mkpath(scratch));
    ::mkfifo(QFile::encodeName(scratch + QStringLiteral("/fifo")).constData(), 0600);
    QFile big(scratch + QStringLiteral("/big.csv"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(64 * 1024 * 1024 + 1)); // sparse
    big.close();
    path.replace(QStringLiteral("DIR"), scratch);
    const std::size_t leases = m_store.leases()->size();

    QStringList said;
    if (importer == u"leases") {
        const ImportOutcome outcome = importLeasesCsv(m_store, path);
        QVERIFY(!outcome.ok);
        said = outcome.errors;
    } else if (importer == u"leases, window") {
        test::Messages boxes;
        FileChoice::setHandler([path](bool, const QString&) { return path; });
        RegisterSession session(m_data);
        RegisterWindow window(session, m_table);
        window.open();
        window.importer->click();
        said = boxes.texts;
    } else {
        Lease lease;
        lease.reference = QStringLiteral("R-0");
        const ChargedCsvImport imported = readChargedRentsCsv(path, lease);
        QVERIFY(!imported.ok());
        said = imported.errors;
    }
    QVERIFY2(said.join(u'\n').contains(reason), qPrintable(said.join(u'\n')));
    QCOMPARE(m_store.leases()->size(), leases);
}

VELMARIS_TEST(TestFileFaults)
#include "tst_filefaults.moc"
