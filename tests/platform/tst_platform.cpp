// SPDX-License-Identifier: GPL-3.0-or-later
#include "applocale.h"
#include "datafolder.h"
#include "programs.h"
#include "qtmessages.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include "testfiles.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace velmaris;

using testfiles::readFile;
using testfiles::writeFile;

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void qtMessagesStayWithDevelopers_data();
    void qtMessagesStayWithDevelopers();
    void localeChoice_data();
    void localeChoice();
    void dataFolders_data();
    void dataFolders();
    void choosingWritesNothing();
    void firstStartCopiesTheShippedFile();
    void userCopyIsNeverOverwritten();
    void someoneElsesFolderIsRefused();
    void someoneElsesHomeIsNeverFilled_data();
    void someoneElsesHomeIsNeverFilled();
    void dataFolderMustBeTheUsers_data();
    void dataFolderMustBeTheUsers();
    void outputsNeverGoOverTheProgramsData_data();
    void outputsNeverGoOverTheProgramsData();
    void shippedIndexIsNeverWritten_data();
    void shippedIndexIsNeverWritten();
    void editorGetsThePathAsOneArgument();
};

void TestPlatform::localeChoice_data()
{
    QTest::addColumn<QLocale>("system");
    QTest::addColumn<QLocale::Territory>("territory");
    QTest::newRow("english") << QLocale(QLocale::English, QLocale::UnitedStates) << QLocale::France;
    QTest::newRow("french belgium")
        << QLocale(QLocale::French, QLocale::Belgium) << QLocale::Belgium;
    QTest::newRow("C") << QLocale::c() << QLocale::France;
}

void TestPlatform::localeChoice()
{
    QFETCH(QLocale, system);
    QFETCH(QLocale::Territory, territory);
    const QLocale chosen = appLocaleFor(system);
    QCOMPARE(chosen.language(), QLocale::French);
    QCOMPARE(chosen.territory(), territory);
    QCOMPARE(chosen.decimalPoint(), QStringLiteral(","));
    QCOMPARE(chosen.toString(1234.5), QStringLiteral("1234,5"));
}

void TestPlatform::dataFolders_data()
{
    QTest::addColumn<bool>("shipped");    // prefix/share/velmaris/VELMARIS.TXT
    QTest::addColumn<bool>("beside");     // prefix/bin/VELMARIS.TXT
    QTest::addColumn<bool>("userFolder"); // the system gives a data folder
    QTest::addColumn<bool>("commandLine");
    // Where each file goes: "bin", "user", "share" or "cmd".
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("data");

    QTest::newRow("portable") << false << true << true << false << "bin"
                              << "bin"
                              << "bin";
    QTest::newRow("nothing shipped") << false << false << true << false << "bin"
                                     << "bin"
                                     << "bin";
    // Whoever runs it, root included, and even with its own folder writable.
    QTest::newRow("installed") << true << false << true << false << "user"
                               << "user"
                               << "user";
    QTest::newRow("installed, stray copy beside") << true << true << true << false << "user"
                                                  << "user"
                                                  << "user";
    QTest::newRow("installed, no user folder") << true << false << false << false << "share"
                                               << "share"
                                               << "share";
    QTest::newRow("portable, command line") << false << true << true << true << "cmd"
                                            << "bin"
                                            << "bin";
    QTest::newRow("installed, command line") << true << false << true << true << "cmd"
                                             << "user"
                                             << "user";
}

void TestPlatform::dataFolders()
{
    QFETCH(bool, shipped);
    QFETCH(bool, beside);
    QFETCH(bool, userFolder);
    QFETCH(bool, commandLine);
    QFETCH(QString, index);
    QFETCH(QString, settings);
    QFETCH(QString, data);

    QTemporaryDir prefix;
    const QMap<QString, QString> places{
        {QStringLiteral("bin"), prefix.filePath(QStringLiteral("bin"))},
        {QStringLiteral("share"), prefix.filePath(QStringLiteral("share/velmaris"))},
        {QStringLiteral("user"), prefix.filePath(QStringLiteral("home/.local/share/Velmaris"))},
        {QStringLiteral("cmd"), prefix.filePath(QStringLiteral("mes loyers"))}};
    QVERIFY(QDir().mkpath(places[QStringLiteral("bin")]));
    if (shipped)
        writeFile(places[QStringLiteral("share")] + QStringLiteral("/VELMARIS.TXT"), "shipped\r\n");
    if (beside)
        writeFile(places[QStringLiteral("bin")] + QStringLiteral("/VELMARIS.TXT"), "beside\r\n");

    const DataFolders f = chooseDataFolders(
        commandLine ? places[QStringLiteral("cmd")] : QString(), places[QStringLiteral("bin")],
        userFolder ? places[QStringLiteral("user")] : QString());
    QCOMPARE(QDir::cleanPath(f.indexFolder), QDir::cleanPath(places[index]));
    QCOMPARE(QDir::cleanPath(f.settingsFolder), QDir::cleanPath(places[settings]));
    QCOMPARE(QDir::cleanPath(f.dataFolder), QDir::cleanPath(places[data]));
    QCOMPARE(f.installed, shipped);
}

void TestPlatform::choosingWritesNothing()
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    writeFile(bin + QStringLiteral("/VELMARIS.TXT"), "beside\r\n");
    const QString user = prefix.filePath(QStringLiteral("user"));
    for (int i = 0; i < 2; ++i) {
        const DataFolders f = chooseDataFolders(QString(), bin, user);
        QCOMPARE(prepareDataFolders(f), QString()); // a portable copy has nothing to prepare
    }
    // No probe file, no user folder: only what was there.
    QCOMPARE(QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("VELMARIS.TXT")});
    QVERIFY(!QFileInfo::exists(user));
}

void TestPlatform::firstStartCopiesTheShippedFile()
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    writeFile(prefix.filePath(QStringLiteral("share/velmaris/VELMARIS.TXT")), "shipped\r\n");
    const QString data = prefix.filePath(QStringLiteral("home/.local/share/Velmaris"));

    const DataFolders f = chooseDataFolders(QString(), bin, data);
    QVERIFY(!QFileInfo::exists(data)); // choosing alone makes nothing
    QCOMPARE(prepareDataFolders(f), QString());
    QCOMPARE(readFile(data + QStringLiteral("/VELMARIS.TXT")), QByteArray("shipped\r\n"));
    // The copy can be replaced by a download.
    QVERIFY(QFileInfo(data + QStringLiteral("/VELMARIS.TXT")).isWritable());
    QCOMPARE(QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void TestPlatform::userCopyIsNeverOverwritten()
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    writeFile(prefix.filePath(QStringLiteral("share/velmaris/VELMARIS.TXT")), "shipped\r\n");
    const QString user = prefix.filePath(QStringLiteral("user"));
    writeFile(user + QStringLiteral("/VELMARIS.TXT"), "downloaded\r\n");
    QCOMPARE(prepareDataFolders(chooseDataFolders(QString(), bin, user)), QString());
    QCOMPARE(readFile(user + QStringLiteral("/VELMARIS.TXT")), QByteArray("downloaded\r\n"));

    // A link in its place is left alone: its target keeps what it held.
    const QString other = prefix.filePath(QStringLiteral("user2"));
    writeFile(prefix.filePath(QStringLiteral("cible.txt")), "cible\r\n");
    QVERIFY(QDir().mkpath(other));
    QVERIFY(QFile::link(prefix.filePath(QStringLiteral("cible.txt")),
                        other + QStringLiteral("/VELMARIS.TXT")));
    QCOMPARE(prepareDataFolders(chooseDataFolders(QString(), bin, other)), QString());
    QCOMPARE(readFile(prefix.filePath(QStringLiteral("cible.txt"))), QByteArray("cible\r\n"));
}

void TestPlatform::someoneElsesFolderIsRefused()
{
    QTemporaryDir dir;
    QString folder = dir.path();
#ifdef Q_OS_UNIX
    if (geteuid() == 0) {
        // Root writes anywhere; the rule holds for it too.
        QVERIFY(::chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0);
    } else {
        folder = QStringLiteral("/"); // root's
    }
#else
    QSKIP("folder owners are a Unix matter here");
#endif
    const QString path = QDir(folder).filePath(QStringLiteral("VELMARIS.TXT"));
    QString why;
    QVERIFY(!writeFileSafely(path, "x", &why));
    QVERIFY2(why.contains(QStringLiteral("n’appartient pas à l’utilisateur")), qPrintable(why));
    QVERIFY(!QFileInfo::exists(path));
}

// Root run with a user's HOME (su without -): that user's data folder is
// neither made nor written, and the reason names its owner.
void TestPlatform::someoneElsesHomeIsNeverFilled_data()
{
    QTest::addColumn<bool>("folderExists");
    QTest::newRow("first start") << false;
    QTest::newRow("folder made earlier") << true;
}

void TestPlatform::someoneElsesHomeIsNeverFilled()
{
    QFETCH(bool, folderExists);
#ifdef Q_OS_UNIX
    if (geteuid() != 0)
        QSKIP("only root can stand in another user’s home");
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    writeFile(prefix.filePath(QStringLiteral("share/velmaris/VELMARIS.TXT")), "shipped\r\n");
    const QString home = prefix.filePath(QStringLiteral("home/alice"));
    const QString data = home + QStringLiteral("/.local/share/Velmaris");
    QVERIFY(QDir().mkpath(folderExists ? data : home));
    for (const QString& path :
         {home, home + QStringLiteral("/.local"), home + QStringLiteral("/.local/share"), data})
        if (QFileInfo::exists(path))
            QVERIFY(::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);

    const QString why = prepareDataFolders(chooseDataFolders(QString(), bin, data));
    QVERIFY2(why.contains(QStringLiteral("n’est ni créé ni modifié")), qPrintable(why));
    QVERIFY2(why.contains(QStringLiteral("pas à root")), qPrintable(why));
    QCOMPARE(QFileInfo::exists(data), folderExists);
    if (folderExists)
        QVERIFY(!QFileInfo::exists(data + QStringLiteral("/VELMARIS.TXT")));
    // The register is refused there too, for the same reason.
    const QString refused = dataFolderRefusal(data);
    QVERIFY2(refused.contains(QStringLiteral("pas à root")), qPrintable(refused));
#else
    QSKIP("folder owners are a Unix matter here");
#endif
}

void TestPlatform::dataFolderMustBeTheUsers_data()
{
    QTest::addColumn<QString>("folder"); // under a scratch folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("the user’s") << "mine"
                                << "";
    QTest::newRow("missing") << "absent"
                             << "n’existe pas";
    QTest::newRow("a file") << "file"
                            << "est un fichier, pas un dossier";
    QTest::newRow("none given") << ""
                                << "aucun dossier de données";
}

void TestPlatform::dataFolderMustBeTheUsers()
{
    QFETCH(QString, folder);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("mine"))));
    writeFile(dir.filePath(QStringLiteral("file")), "x");
    const QString why = dataFolderRefusal(folder.isEmpty() ? QString() : dir.filePath(folder));
    if (reason.isEmpty())
        QCOMPARE(why, QString());
    else
        QVERIFY2(why.contains(reason), qPrintable(why));
}

void TestPlatform::outputsNeverGoOverTheProgramsData_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("refused");
    QTest::newRow("index file") << "data/VELMARIS.TXT" << true;
    QTest::newRow("settings") << "data/Velmaris.ini" << true;
    QTest::newRow("register") << "data/Velmaris.sqlite" << true;
    QTest::newRow("its journal") << "data/Velmaris.sqlite-wal" << true;
    QTest::newRow("a copy of it") << "data/Velmaris.sqlite.v1.bak" << true;
    QTest::newRow("another spelling") << "data/../data/./Velmaris.sqlite" << true;
    QTest::newRow("link to it") << "lien.csv" << true;
    QTest::newRow("hard link to it") << "dur.csv" << true;
    QTest::newRow("register not made yet") << "vide/Velmaris.sqlite" << true;
    QTest::newRow("journal not made yet") << "vide/Velmaris.sqlite-shm" << true;
    QTest::newRow("index file in the register’s folder") << "vide/VELMARIS.TXT" << true;
    QTest::newRow("an export") << "data/baux.csv" << false;
    QTest::newRow("elsewhere") << "baux.csv" << false;
}

void TestPlatform::outputsNeverGoOverTheProgramsData()
{
    QFETCH(QString, target);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    for (const char* name : {"VELMARIS.TXT", "Velmaris.ini", "Velmaris.sqlite",
                             "Velmaris.sqlite-wal", "Velmaris.sqlite.v1.bak"})
        writeFile(QDir(data).filePath(QLatin1StringView(name)), "donnees");
    const QString registerFile = QDir(data).filePath(QStringLiteral("Velmaris.sqlite"));
    QVERIFY(QFile::link(registerFile, dir.filePath(QStringLiteral("lien.csv"))));
#ifdef Q_OS_UNIX
    QVERIFY(::link(QFile::encodeName(registerFile).constData(),
                   QFile::encodeName(dir.filePath(QStringLiteral("dur.csv"))).constData())
            == 0);
#endif
    DataFolders folders;
    folders.indexFolder = folders.settingsFolder = folders.dataFolder = data;
    if (target.startsWith(u"vide/"))
        folders.dataFolder = dir.filePath(QStringLiteral("vide"));
    if (target == u"vide/VELMARIS.TXT")
        writeFile(dir.filePath(target), "donnees");
    const QString why = outputRefusal(dir.filePath(target), folders);
    QCOMPARE(why.contains(QStringLiteral("fichier de données de Velmaris")), refused);
}

void TestPlatform::shippedIndexIsNeverWritten_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("refused");
    QTest::newRow("the file") << "share/velmaris/VELMARIS.TXT" << true;
    QTest::newRow("another spelling") << "share/velmaris/../velmaris/VELMARIS.TXT" << true;
    QTest::newRow("a link to it") << "lien.txt" << true;
    QTest::newRow("the user’s copy") << "donnees/VELMARIS.TXT" << false;
}

void TestPlatform::shippedIndexIsNeverWritten()
{
    QFETCH(QString, target);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    const QString shipped = dir.filePath(QStringLiteral("share/velmaris/VELMARIS.TXT"));
    writeFile(shipped, "livre");
    writeFile(dir.filePath(QStringLiteral("donnees/VELMARIS.TXT")), "copie");
    QVERIFY(QFile::link(shipped, dir.filePath(QStringLiteral("lien.txt"))));
    QCOMPARE(shippedFileRefusal(dir.filePath(target), shipped)
                 .contains(QStringLiteral("livré avec le programme")),
             refused);
    QVERIFY(shippedFileRefusal(shipped, QString()).isEmpty()); // a portable copy
}

void TestPlatform::editorGetsThePathAsOneArgument()
{
    const QString path = QStringLiteral("/home/moi/mes loyers/VELMARIS.TXT");
    const QByteArray oldPath = qgetenv("PATH");
#ifndef Q_OS_WIN
    // A graphical editor installed, and none: then no program at all, never
    // a file manager or a browser that would not edit the file.
    QTemporaryDir bin;
    const QString gedit = bin.filePath(QStringLiteral("gedit"));
    QFile script(gedit);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    qputenv("PATH", bin.path().toUtf8());
    const Launch editor = textEditorFor(path);
    QCOMPARE(editor.program, gedit);
    QCOMPARE(editor.arguments, QStringList{path});
    QTemporaryDir empty;
    qputenv("PATH", empty.path().toUtf8());
    QVERIFY(textEditorFor(path).program.isEmpty());
    QCOMPARE(startTextEditor(path, nullptr, {}), EditorStart::NoneInstalled);
    qputenv("PATH", oldPath);
#else
    const Launch editor = textEditorFor(path);
    QVERIFY(!editor.program.isEmpty());
    QCOMPARE(editor.arguments.last(), path);
#endif
}

void TestPlatform::qtMessagesStayWithDevelopers_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QByteArray>("said");
    QTest::newRow("a user") << QString() << QByteArray("Erreur grave\n");
    QTest::newRow("a developer") << QStringLiteral("1")
                                 << QByteArray("Unable to free statement\nErreur grave\n");
}

// The program's own process, started so that it says one warning and one
// critical message the way Qt's modules do.
void TestPlatform::qtMessagesStayWithDevelopers()
{
    QFETCH(QString, asked);
    QFETCH(QByteArray, said);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMARIS_QT_MESSAGES"), asked);
    env.insert(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{message}"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--qt-messages")});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(child.readAllStandardError(), said);
}

VELMARIS_TEST(TestPlatform)
VELMARIS_TEST_CHILD("--qt-messages", [](int, char**) {
    velmaris::keepQtMessagesForDevelopers();
    qWarning("Unable to free statement");
    qCritical("Erreur grave");
    return 0;
})
#include "tst_platform.moc"
