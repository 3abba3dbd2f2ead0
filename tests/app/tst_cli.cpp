// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"
#include "leasestore.h"
#include "mainwindow.h"
#include "quarter.h"
#include "settings.h"
#include "testmain.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace velmaris;

namespace {

const QString kShippedFolder = QStringLiteral(VELMARIS_SOURCE_DIR "/data");
const QString kShippedFile = kShippedFolder + QStringLiteral("/VELMARIS.TXT");

struct Run {
    int status = -1;
    QByteArray out, err;
};

Run runProgram(const QStringList& arguments, const QProcessEnvironment& env,
               const QString& program = QStringLiteral(VELMARIS_EXECUTABLE))
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    Run r;
    if (!p.waitForFinished(30000))
        return r;
    r.status = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString str(const char* s)
{
    return QString::fromUtf8(s);
}
QString str(const QString& s)
{
    return s;
}
template <typename... T> QStringList list(const T&... items)
{
    return {str(items)...};
}

// The test's own environment: each run of this test under another locale runs
// the program under it too.
QProcessEnvironment plainEnvironment()
{
    return QProcessEnvironment::systemEnvironment();
}

QProcessEnvironment underLocale(const QString& locale)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.insert(QStringLiteral("LANG"), locale);
    return env;
}

// Standard error of a run that worked: nothing, or only what the user must
// know besides (the table lacks a quarter out since, a lease after the
// newest indices).
bool onlyNotices(const QString& error)
{
    for (const QString& line : error.split(u'\n', Qt::SkipEmptyParts))
        if (!line.startsWith(QStringLiteral("Indices connus jusqu'au "))
            && line
                   != QStringLiteral("Un indice plus récent a pu paraître avant cette date : "
                                     "mettez les indices à jour."))
            return false;
    return true;
}

// A scratch index file for the table of bad files.
QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString scratchFile(QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

int rowOf(const MainWindow& w, const QString& label)
{
    for (int r = 0; r <= w.table().lastRow(); ++r)
        if (w.table().rows[std::size_t(r)].label() == label)
            return r;
    return -1;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void printsWhatCopierCopies_data();
    void printsWhatCopierCopies();
    void exitStatuses_data();
    void exitStatuses();
    void badIndexFiles_data();
    void badIndexFiles();
    void sameBytesUnderEveryLocale();
    void noticesOnStandardError();
    void leaseCommands();
    void leaseCommandsRefuse_data();
    void leaseCommandsRefuse();
    void filesAndFoldersRefused_data();
    void filesAndFoldersRefused();
    void help_data();
    void help();
    void windowArguments_data();
    void windowArguments();
};

void TestCommandLine::printsWhatCopierCopies_data()
{
    QTest::addColumn<QString>("rent");
    QTest::addColumn<QString>("quarter");
    QTest::addColumn<QString>("leaseDate");
    QTest::addColumn<bool>("reevaluate");
    QTest::newRow("quarter") << "850"
                             << "3è tr.2019"
                             << "" << false;
    QTest::newRow("lease date, blank and comma") << "1 234,50"
                                                 << ""
                                                 << "15/10/2019" << true;
    QTest::newRow("old lease, ICC and averages") << "3000"
                                                 << ""
                                                 << "20/05/2001" << false;
}

void TestCommandLine::printsWhatCopierCopies()
{
    QFETCH(QString, rent);
    QFETCH(QString, quarter);
    QFETCH(QString, leaseDate);
    QFETCH(bool, reevaluate);

    // What a person gets in the window...
    Settings settings;
    MainWindow w(settings, kShippedFolder, QString());
    w.load();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.reeval->setChecked(reevaluate);
    QLineEdit* box = nullptr;
    QString key;
    if (!leaseDate.isEmpty()) {
        w.datedubail->setFocus();
        QTest::keyClicks(w.datedubail, leaseDate);
        QTest::keyClick(w.datedubail, Qt::Key_Return);
        QTRY_VERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != w.datedubail);
        box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    } else {
        const int row = rowOf(w, quarter);
        QVERIFY(row >= 19);
        w.barreinsee->setValue(row - 19);
        box = w.loyer[19];
        box->setFocus();
        key = QStringLiteral("%1%2").arg(quarter.at(0)).arg(quarter.right(4));
    }
    QVERIFY(box);
    box->selectAll();
    QTest::keyClicks(box, rent);
    QTest::keyClick(box, Qt::Key_Return);
    QApplication::clipboard()->clear();
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    const QString copied = QApplication::clipboard()->text();
    QVERIFY(copied.count(QStringLiteral("\r\n")) > 4);

    // ...is what the command line prints.
    QStringList args{QStringLiteral("--rent"), rent, QStringLiteral("--index-file"), kShippedFile};
    if (!key.isEmpty())
        args << QStringLiteral("--quarter") << key;
    if (!leaseDate.isEmpty())
        args << QStringLiteral("--lease-date") << leaseDate;
    if (reevaluate)
        args << QStringLiteral("--reevaluate");
    const Run run = runProgram(args, plainEnvironment());
    QCOMPARE(run.status, 0);
    QVERIFY2(onlyNotices(QString::fromUtf8(run.err)), run.err.constData());
    QCOMPARE(QString::fromUtf8(run.out), copied);
}

void TestCommandLine::exitStatuses_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("firstLine");
    const QString file = kShippedFile;
    QTest::newRow("done") << list("--rent", "850", "--quarter", "32019", "--index-file", file) << 0
                          << "\t\tMoyennes des\tIndice de\tDate de\tMontant du\r";
    QTest::newRow("unknown option") << list("--loyer", "850") << kExitBadArguments << "";
    QTest::newRow("missing rent") << list("--quarter", "32019", "--index-file", file)
                                  << kExitBadArguments << "";
    QTest::newRow("missing value") << list("--rent") << kExitBadArguments << "";
    QTest::newRow("no reference") << list("--rent", "850", "--index-file", file)
                                  << kExitBadArguments << "";
    QTest::newRow("rent not a number")
        << list("--rent", "abc", "--quarter", "32019") << kExitBadArguments << "";
    for (const char* rent :
         {"1e400", "-850", "1.234,50", "12abc", "850 5", "0.001", "0", "0,00", " "})
        QTest::newRow(qPrintable(QStringLiteral("rent «%1»").arg(QString::fromUtf8(rent))))
            << list("--rent", rent, "--quarter", "32019", "--index-file", file) << kExitBadArguments
            << "";
    QTest::newRow("rent with blanks and comma")
        << list("--rent", "1 234,50", "--quarter", "32019", "--index-file", file) << 0
        << "\t\tMoyennes des\tIndice de\tDate de\tMontant du\r";
    QTest::newRow("rent as a spreadsheet writes it")
        << list("--rent", "1\u202F234,50 €", "--quarter", "32019", "--index-file", file) << 0
        << "\t\tMoyennes des\tIndice de\tDate de\tMontant du\r";
    QTest::newRow("rent twice") << list("--rent", "850", "--rent", "900", "--quarter", "32019",
                                        "--index-file", file)
                                << kExitBadArguments << "";
    QTest::newRow("quarter twice")
        << list("--rent", "850", "--quarter", "32019", "--quarter=42019", "--index-file", file)
        << kExitBadArguments << "";
    QTest::newRow("reevaluate twice") << list("--rent", "850", "--quarter", "32019", "--reevaluate",
                                              "--reevaluate", "--index-file", file)
                                      << kExitBadArguments << "";
    QTest::newRow("quarter absent")
        << list("--rent", "850", "--quarter", "31950", "--index-file", file) << kExitBadArguments
        << "";
    QTest::newRow("quarter malformed")
        << list("--rent", "850", "--quarter", "2019-3", "--index-file", file) << kExitBadArguments
        << "";
    QTest::newRow("lease date not a date")
        << list("--rent", "850", "--lease-date", "31/02/2020") << kExitBadArguments << "";
    QTest::newRow("index file missing")
        << list("--rent", "850", "--quarter", "32019", "--index-file", "/nonexistent/VELMARIS.TXT")
        << kExitIndexFile << "";
    QTest::newRow("index file corrupt")
        << list("--rent", "850", "--quarter", "32019", "--index-file",
                QStringLiteral(VELMARIS_SOURCE_DIR "/README.md"))
        << kExitIndexFile << "";
    QTest::newRow("lease before every index")
        << list("--rent", "850", "--lease-date", "01/01/1990", "--index-file", file)
        << kExitRevision << "";
}

void TestCommandLine::exitStatuses()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, firstLine);
    const CommandLineResult r = runCommandLine(args, kShippedFile);
    QCOMPARE(r.status, status);
    if (status == 0) {
        QCOMPARE(r.output.section(u'\n', 0, 0), firstLine);
        QVERIFY2(onlyNotices(r.error), qPrintable(r.error));
    } else {
        QVERIFY(r.output.isEmpty());
        QVERIFY(!r.error.trimmed().isEmpty());
    }
}

// The command line never crashes nor hangs on what it is given as an index file.
void TestCommandLine::badIndexFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("status");
    QTest::newRow("empty") << "empty" << kExitIndexFile;
    QTest::newRow("comments only") << "comments" << kExitIndexFile;
    QTest::newRow("CR line ends") << "cr" << 0;
    QTest::newRow("a pipe") << "fifo" << kExitIndexFile;
    QTest::newRow("a device") << "/dev/zero" << kExitIndexFile;
    QTest::newRow("a folder") << "." << kExitIndexFile;
    QTest::newRow("a quarter missing") << "gap" << kExitIndexFile;
}

void TestCommandLine::badIndexFiles()
{
    QFETCH(QString, name);
    QFETCH(int, status);
    QTemporaryDir dir;
    QFile shipped(kShippedFile);
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    const QByteArray bytes = shipped.readAll();
    scratchFile(dir, "empty", {});
    scratchFile(dir, "comments", "' rien\r\n' encore rien\r\n");
    scratchFile(dir, "cr", QByteArray(bytes).replace("\r\n", "\r"));
    scratchFile(dir, "gap", QByteArray(bytes).replace("22020\t130.57\t17/07/2020\r\n", ""));
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600)
            == 0);
    const QString path = name.startsWith(u'/') ? name : dir.filePath(name);

    for (const char* date :
         {static_cast<const char*>("15/11/2019"), static_cast<const char*>(nullptr)}) {
        QStringList args = list("--rent", "850", "--index-file", path);
        if (date)
            args << list("--lease-date", date);
        else
            args << list("--quarter", "32019");
        const CommandLineResult r = runCommandLine(args, kShippedFile);
        QCOMPARE(r.status, status);
        QCOMPARE(r.output.isEmpty(), status != 0);
        QCOMPARE(onlyNotices(r.error), status == 0);
        // A broken file says how to put a sound one back.
        if (status == kExitIndexFile)
            QVERIFY2(r.error.contains(QStringLiteral("un fichier des indices valide")),
                     qPrintable(r.error));
    }
    if (name == u"empty") {
        const CommandLineResult r = runCommandLine(
            list("--rent", "850", "--quarter", "32019", "--index-file", path), kShippedFile);
        QVERIFY2(r.error.startsWith(QStringLiteral("Fichier des indices corrompu : ") + path
                                    + QStringLiteral(" : le fichier est vide.\n")),
                 qPrintable(r.error));
    }
    if (name == u"gap") {
        const CommandLineResult r = runCommandLine(
            list("--rent", "850", "--quarter", "32019", "--index-file", path), kShippedFile);
        QVERIFY2(r.error.contains(QStringLiteral("le 2è tr.2020 manque entre le 3è tr.2020 et le "
                                                 "1er tr.2020")),
                 qPrintable(r.error));
    }
}

// Scripts get the same bytes on every machine, whatever its language.
void TestCommandLine::sameBytesUnderEveryLocale()
{
    const QStringList args =
        list("--rent", "1 234,50", "--lease-date", "15/11/2004", "--index-file", kShippedFile);
    const Run plain = runProgram(args, underLocale(QStringLiteral("C.UTF-8")));
    QCOMPARE(plain.status, 0);
    QVERIFY(plain.out.contains("145,77\t15/10/2025\t"));
    for (const char* locale :
         {"fr_FR.UTF-8", "de_DE.UTF-8", "fr_CA.UTF-8", "fr_BE.UTF-8", "en_US.UTF-8"}) {
        const Run run = runProgram(args, underLocale(QString::fromLatin1(locale)));
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out == plain.out, locale);
    }
}

// The table says when it lacks a quarter, on standard error only; the lease
// lookup says when a newer index may exist.
void TestCommandLine::noticesOnStandardError()
{
    QTemporaryDir dir;
    const QDate today = QDate::currentDate();
    // Four quarters ending two quarters before today's: one more is out.
    QByteArray bytes;
    Quarter q = Quarter::containing(today).plus(-2);
    const Quarter newest = q;
    for (int i = 0; i < 8; ++i, q = q.previous())
        bytes += q.key().toLatin1() + "\t" + QByteArray::number(130 + i % 2) + "\t"
                 + q.lastDay().addDays(15).toString(u"dd/MM/yyyy").toLatin1() + "\r\n";
    const QString path = scratchFile(dir, "VELMARIS.TXT", bytes);
    const QString key = newest.plus(-4).key();

    const CommandLineResult byQuarter =
        runCommandLine(list("--rent", "850", "--quarter", key, "--index-file", path), path);
    QCOMPARE(byQuarter.status, 0);
    QVERIFY(byQuarter.output.contains(QStringLiteral(" 850,00")));
    QVERIFY2(byQuarter.error.startsWith(
                 QStringLiteral("Indices connus jusqu'au %1 : il manque le %2, paru vers le 15/")
                     .arg(newest.label(), newest.next().label())),
             qPrintable(byQuarter.error));

    const CommandLineResult byLease = runCommandLine(
        list("--rent", "850", "--lease-date", today.toString(u"dd/MM/yyyy"), "--index-file", path),
        path);
    QCOMPARE(byLease.status, 0);
    QVERIFY(byLease.error.contains(QStringLiteral("Un indice plus récent a pu paraître")));
}

namespace {

const char kLeasesCsv[] =
    "reference;locataire;adresse;code_postal;date_signature;date_effet;trimestre_reference;"
    "clause;dpe;loyer;charges\n"
    "A-1;Mme Martin;12 rue des Lilas, Lyon;69003;15/10/2019;01/11/2019;3è tr.2019;"
    "à la hausse seulement;D;850,00;60,00\n"
    "B-2;M. Durand;3 cours Napoléon, Ajaccio;20000;01/02/2023;01/02/2023;;"
    "à la hausse et à la baisse;F;620,00;0\n";

} // namespace

// Import, the due list, one revision and the export, on a register of its own.
void TestCommandLine::leaseCommands()
{
    QTemporaryDir dir;
    const QString csv = scratchFile(dir, "baux.csv", kLeasesCsv);
    auto run = [&](QStringList args) {
        args << list("--data-folder", dir.path(), "--index-file", kShippedFile);
        return runCommandLine(args, kShippedFile);
    };

    CommandLineResult r = run(list("--import-leases", csv));
    QCOMPARE(r.status, 0);
    QVERIFY(r.output.startsWith(QStringLiteral("2\u00a0baux importés")));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Velmaris.sqlite"))));

    r = run(list("--leases", "--date", "20/11/2025"));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.output,
             QStringLiteral("Référence\tLocataire\tTerritoire\tLoyer\tProchaine "
                            "révision\tÉtat\r\n"
                            "A-1\tMme Martin\tmétropole\t850,00\t01/11/2025\t"
                            "à réviser avant le 01/11/2026 (révision perdue le 01/11/2021)\r\n"));
    r = run(list("--leases", "--all", "--date", "20/11/2025"));
    QCOMPARE(r.output.count(QStringLiteral("\r\n")), 3);
    QVERIFY(r.output.contains(QStringLiteral("B-2\tM. Durand\tCorse\t620,00\t")));
    QVERIFY(r.output.contains(QStringLiteral("gelée (DPE F/G)")));

    // Years lost since 2021: one year's change from the rent paid, from the request.
    r = run(list("--revise-lease", "A-1", "--request-date", "20/11/2025"));
    QCOMPARE(r.status, 0);
    for (const char* expected : {"Indice de base\u00a0: IRL du 3è tr.2024 = 144,51",
                                 "Nouvel indice\u00a0: IRL du 3è tr.2025 = 145,77",
                                 "Loyer actuel\u00a0: 850,00 €", "Nouveau loyer\u00a0: 857,41 €",
                                 "effet le 20/11/2025", "art. 17-1 de la loi du 6 juillet 1989"})
        QVERIFY2(r.output.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(onlyNotices(r.error));

    const QString out = dir.filePath(QStringLiteral("export.csv"));
    r = run(list("--export-leases", out));
    QCOMPARE(r.status, 0);
    QFile exported(out);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const QByteArray bytes = exported.readAll();
    QVERIFY(bytes.contains("A-1;Mme Martin;"));
    QVERIFY(bytes.contains("B-2;M. Durand;"));

    // The same file again: refused whole, each line said.
    r = run(list("--import-leases", csv));
    QCOMPARE(r.status, kExitRefused);
    QVERIFY(r.error.contains(QStringLiteral("ligne 2\u00a0: référence «\u00a0A-1\u00a0» déjà dans le registre")));
    QVERIFY(r.error.contains(QStringLiteral("ligne 3\u00a0: référence «\u00a0B-2\u00a0» déjà dans le registre")));
}

void TestCommandLine::leaseCommandsRefuse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("two commands") << list("--leases", "--export-leases", "x.csv")
                                  << kExitBadArguments;
    QTest::newRow("rent with a lease command")
        << list("--leases", "--rent", "850") << kExitBadArguments;
    QTest::newRow("request date with --leases")
        << list("--leases", "--request-date", "01/01/2025") << kExitBadArguments;
    QTest::newRow("bad date") << list("--leases", "--date", "31/02/2025") << kExitBadArguments;
    QTest::newRow("unknown lease") << list("--revise-lease", "Z-9") << kExitBadArguments;
    QTest::newRow("no register folder")
        << list("--leases", "--data-folder", "/nonexistent/baux") << kExitRegister;
    QTest::newRow("missing CSV") << list("--import-leases", "/nonexistent/baux.csv")
                                 << kExitRefused;
}

void TestCommandLine::leaseCommandsRefuse()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QTemporaryDir dir;
    if (!args.contains(QStringLiteral("--data-folder"))) {
        args << list("--data-folder", dir.path());
        LeaseStore store; // an empty register: the commands that read want one
        QVERIFY(store.open(dir.path()));
    }
    const CommandLineResult r = runCommandLine(args, kShippedFile);
    QCOMPARE(r.status, status);
    QVERIFY(r.output.isEmpty());
    QVERIFY(!r.error.trimmed().isEmpty());
}

// Only regular files are read, only a folder of the user's holds the register,
// and an export never goes over the program's own files.
void TestCommandLine::filesAndFoldersRefused_data()
{
    QTest::addColumn<QStringList>("args"); // "DIR" stands for a scratch folder with a register
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason");
    QTest::newRow("import from /dev/zero")
        << list("--import-leases", "/dev/zero") << kExitRefused << "pas un fichier ordinaire";
    QTest::newRow("import from a pipe")
        << list("--import-leases", "DIR/fifo") << kExitRefused << "pas un fichier ordinaire";
    QTest::newRow("import from a folder")
        << list("--import-leases", "DIR") << kExitRefused << "c’est un dossier";
    QTest::newRow("import of more than 64 Mio")
        << list("--import-leases", "DIR/big.csv") << kExitRefused << "dépasse 64 Mio";
    QTest::newRow("data folder /")
        << list("--leases", "--data-folder", "/") << kExitRegister << "aucun registre des baux";
    QTest::newRow("data folder that is a file")
        << list("--leases", "--data-folder", "DIR/big.csv") << kExitRegister
        << "est un fichier, pas un dossier";
    QTest::newRow("data folder of another user")
        << list("--leases", "--data-folder", "DIR/other") << kExitRegister << "appartient à";
    QTest::newRow("export over the register")
        << list("--export-leases", "DIR/Velmaris.sqlite") << kExitRefused
        << "est un fichier de données de Velmaris";
    QTest::newRow("export over the index file")
        << list("--export-leases", "DIR/VELMARIS.TXT", "--index-file", "DIR/VELMARIS.TXT")
        << kExitRefused << "est un fichier de données de Velmaris";
    QTest::newRow("export to /dev/zero")
        << list("--export-leases", "/dev/zero") << kExitRefused << "pas un fichier ordinaire";
}

void TestCommandLine::filesAndFoldersRefused()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    {
        LeaseStore store;
        QVERIFY(store.open(dir.path()));
    }
    const QString registerFile = dir.filePath(QStringLiteral("Velmaris.sqlite"));
    const QByteArray registerBytes = readBytes(registerFile);
    scratchFile(dir, "VELMARIS.TXT", readBytes(kShippedFile));
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600)
            == 0);
    QFile big(dir.filePath(QStringLiteral("big.csv")));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(64 * 1024 * 1024 + 1)); // sparse
    big.close();
    const QString other = dir.filePath(QStringLiteral("other"));
    QVERIFY(QDir().mkpath(other));
    if (args.contains(QStringLiteral("DIR/other"))) {
        if (geteuid() != 0)
            QSKIP("only root can give a folder to another user");
        QVERIFY(::chown(QFile::encodeName(other).constData(), 65534, 65534) == 0);
    }
    if (args.contains(QStringLiteral("/")) && QFileInfo::exists(QStringLiteral("/Velmaris.sqlite")))
        QSKIP("a register already stands in /");
    for (QString& arg : args)
        arg.replace(QStringLiteral("DIR"), dir.path());
    if (!args.contains(QStringLiteral("--data-folder")))
        args << list("--data-folder", dir.path());
    if (!args.contains(QStringLiteral("--index-file")))
        args << list("--index-file", kShippedFile);

    const CommandLineResult r = runCommandLine(args, kShippedFile, dir.path());
    QCOMPARE(r.status, status);
    QVERIFY(r.output.isEmpty());
    QVERIFY2(r.error.contains(reason), qPrintable(r.error));
    QCOMPARE(readBytes(registerFile), registerBytes);
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("VELMARIS.TXT"))), readBytes(kShippedFile));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/Velmaris.sqlite")));
    QVERIFY(!QFileInfo::exists(QDir(other).filePath(QStringLiteral("Velmaris.sqlite"))));
}

void TestCommandLine::help_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("--help") << "--help";
    QTest::newRow("-h") << "-h";
    QTest::newRow("-?") << "-?";
}

// The help on the terminal, never the window, even without an index file.
void TestCommandLine::help()
{
    QFETCH(QString, option);
    const Run run = runProgram({option}, plainEnvironment());
    QCOMPARE(run.status, 0);
    QVERIFY(QString::fromUtf8(run.out).startsWith(QStringLiteral("Usage\u00a0:")));
    QCOMPARE(run.err, QByteArray());
}

void TestCommandLine::windowArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    const QString commands =
        QStringLiteral("Les commandes de Velmaris se lancent par velmaris-cli\u00a0:\n");
    QTest::newRow("a command") << list(
        "--rent", "850", "--quarter",
        "32019") << 2 << commands + QStringLiteral("  velmaris-cli --rent 850 --quarter 32019\n");
    QTest::newRow("words to quote")
        << list("--import-leases", "mes baux.csv", "--data-folder", "/tmp/l'agence") << 2
        << commands
               + QStringLiteral("  velmaris-cli --import-leases 'mes baux.csv' --data-folder "
                                "'/tmp/l'\\''agence'\n");
    QTest::newRow("--help") << list("--help") << 0 << QStringLiteral("velmaris-cli --help");
    QTest::newRow("-?") << list("-?") << 0 << QStringLiteral("velmaris-cli --help");
    // A folder asks for the window, and without a display it says what to do.
    QTest::newRow("no display") << QStringList() << 1 << QStringLiteral("session graphique");
}

// The window's program takes its folder only: a command is pointed to
// velmaris-cli, nothing is done, and nothing opens.
void TestCommandLine::windowArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QProcessEnvironment env = plainEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    QTemporaryDir dir;
    if (arguments.isEmpty())
        arguments << dir.path();
    const Run run = runProgram(arguments, env, QStringLiteral(VELMARIS_WINDOW_EXECUTABLE));
    QCOMPARE(run.status, status);
    const QString text = QString::fromUtf8(status == 0 ? run.out : run.err);
    QVERIFY2(status == 2 ? text == said : text.contains(said), qPrintable(text));
    QCOMPARE(status == 0 ? run.err : run.out, QByteArray());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("Velmaris.sqlite"))));
}

VELMARIS_TEST(TestCommandLine)
#include "tst_cli.moc"
