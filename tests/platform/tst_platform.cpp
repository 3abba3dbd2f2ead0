#include "applocale.h"
#include "datafolder.h"
#include "programs.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace velmaris;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void localeChoice_data();
    void localeChoice();
    void dataFolders_data();
    void dataFolders();
    void choosingWritesNothing();
    void firstStartCopiesTheShippedFile();
    void userCopyIsNeverOverwritten();
    void safeWrites_data();
    void safeWrites();
    void someoneElsesFolderIsRefused();
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

void TestPlatform::safeWrites_data()
{
    QTest::addColumn<QString>("setup"); // what stands at the path before the write
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("reason"); // part of the refusal

    QTest::newRow("new file") << "none" << true << "";
    QTest::newRow("replaced") << "file" << true << "";
    QTest::newRow("link to a file") << "link" << false << "est un lien symbolique";
    QTest::newRow("dangling link") << "dangling" << false << "est un lien symbolique";
    QTest::newRow("folder") << "folder" << false << "n'est pas un fichier";
    QTest::newRow("missing folder") << "nofolder" << false << "n'existe pas";
}

void TestPlatform::safeWrites()
{
    QFETCH(QString, setup);
    QFETCH(bool, written);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Velmaris.ini"));
    const QString target = dir.filePath(QStringLiteral("ailleurs.txt"));
    if (setup == u"file")
        writeFile(path, "ancien\r\n");
    if (setup == u"link") {
        writeFile(target, "cible\r\n");
        QVERIFY(QFile::link(target, path));
    }
    if (setup == u"dangling")
        QVERIFY(QFile::link(target, path));
    if (setup == u"folder")
        QVERIFY(QDir().mkpath(path));
    if (setup == u"nofolder")
        path = dir.filePath(QStringLiteral("absent/Velmaris.ini"));

    QString why = QStringLiteral("unchanged");
    QCOMPARE(writeFileSafely(path, "nouveau\r\n", &why), written);
    if (written) {
        QCOMPARE(why, QString());
        QCOMPARE(readFile(path), QByteArray("nouveau\r\n"));
        QVERIFY(!QFileInfo(path).isSymLink());
    } else {
        QVERIFY2(why.contains(reason), qPrintable(why));
        QCOMPARE(writeRefusal(path), why);
    }
    // Nothing ever reaches the link's target.
    QCOMPARE(readFile(target), setup == u"link" ? QByteArray("cible\r\n") : QByteArray());
    QCOMPARE(QFileInfo::exists(target), setup == u"link");
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
    QVERIFY2(why.contains(QStringLiteral("n'appartient pas à l'utilisateur")), qPrintable(why));
    QVERIFY(!QFileInfo::exists(path));
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

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
