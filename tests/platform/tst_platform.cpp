#include "applocale.h"
#include "datafolder.h"
#include "programs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
    void portableCopyKeepsEverythingBesideTheProgram();
    void installedCopyUsesTheUserFolder();
    void userCopyIsNeverOverwritten();
    void commandLineFolderWins();
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

void TestPlatform::portableCopyKeepsEverythingBesideTheProgram()
{
    QTemporaryDir program, user;
    const DataFolders f =
        chooseDataFolders(QString(), program.path(), true, user.filePath(QStringLiteral("v")));
    QCOMPARE(f.indexFolder, program.path());
    QCOMPARE(f.settingsFolder, program.path());
    QVERIFY(!QFileInfo::exists(user.filePath(QStringLiteral("v"))));
    QVERIFY(folderWritable(program.path()));
    QVERIFY(!folderWritable(QStringLiteral("/nonexistent/folder")));
}

void TestPlatform::installedCopyUsesTheUserFolder()
{
    QTemporaryDir prefix, user;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    writeFile(prefix.filePath(QStringLiteral("share/velmaris/VELMARIS.TXT")), "shipped\r\n");
    const QString data = user.filePath(QStringLiteral("velmaris"));

    const DataFolders f = chooseDataFolders(QString(), bin, false, data);
    QCOMPARE(f.indexFolder, data);
    QCOMPARE(f.settingsFolder, data);
    QCOMPARE(readFile(data + QStringLiteral("/VELMARIS.TXT")), QByteArray("shipped\r\n"));
    // The copy can be replaced by a download.
    QVERIFY(QFileInfo(data + QStringLiteral("/VELMARIS.TXT")).isWritable());
}

void TestPlatform::userCopyIsNeverOverwritten()
{
    QTemporaryDir program, user;
    writeFile(program.filePath(QStringLiteral("VELMARIS.TXT")), "shipped\r\n");
    writeFile(user.filePath(QStringLiteral("VELMARIS.TXT")), "downloaded\r\n");
    chooseDataFolders(QString(), program.path(), false, user.path());
    QCOMPARE(readFile(user.filePath(QStringLiteral("VELMARIS.TXT"))), QByteArray("downloaded\r\n"));
}

void TestPlatform::commandLineFolderWins()
{
    QTemporaryDir program, user;
    for (bool writable : {true, false}) {
        const DataFolders f =
            chooseDataFolders(QStringLiteral("/srv/loyers"), program.path(), writable, user.path());
        QCOMPARE(f.indexFolder, QStringLiteral("/srv/loyers"));
        QCOMPARE(f.settingsFolder, writable ? program.path() : user.path());
    }
}

void TestPlatform::editorGetsThePathAsOneArgument()
{
    const QString path = QStringLiteral("/home/moi/mes loyers/VELMARIS.TXT");
    const Launch editor = textEditorFor(path);
    QVERIFY(!editor.program.isEmpty());
    QCOMPARE(editor.arguments.last(), path);
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
