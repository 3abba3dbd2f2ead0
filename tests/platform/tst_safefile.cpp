// SPDX-License-Identifier: GPL-3.0-or-later
// The one safe write and the one bounded read every file of the program goes through.
#include "safefile.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

class TestSafeFile : public QObject {
    Q_OBJECT

private slots:
    void safeWrites_data();
    void safeWrites();
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
};

void TestSafeFile::safeWrites_data()
{
    QTest::addColumn<QString>("setup"); // what stands at the path before the write
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("reason"); // part of the refusal

    QTest::newRow("new file") << "none" << true << "";
    QTest::newRow("replaced") << "file" << true << "";
    QTest::newRow("link to a file") << "link" << false << "est un lien symbolique";
    QTest::newRow("dangling link") << "dangling" << false << "est un lien symbolique";
    QTest::newRow("folder") << "folder" << false << "est un dossier, pas un fichier";
    QTest::newRow("missing folder") << "nofolder" << false << "n’existe pas";
    QTest::newRow("folder that is a file")
        << "filefolder" << false << "est un fichier, pas un dossier";
    QTest::newRow("pipe") << "fifo" << false << "n’est pas un fichier ordinaire";
    QTest::newRow("device") << "device" << false << "n’est pas un fichier ordinaire";
}

void TestSafeFile::safeWrites()
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
    if (setup == u"filefolder") {
        writeFile(dir.filePath(QStringLiteral("dossier")), "un fichier\r\n");
        path = dir.filePath(QStringLiteral("dossier/Velmaris.ini"));
    }
#ifdef Q_OS_UNIX
    if (setup == u"fifo")
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    if (setup == u"device")
        path = QStringLiteral("/dev/null");
#endif

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

void TestSafeFile::onlyRegularFilesAreRead_data()
{
    QTest::addColumn<QString>("name"); // under a scratch folder, or an absolute path
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason");
    using S = FileRead::Status;
    QTest::newRow("a file") << "file" << int(S::Ok) << "";
    QTest::newRow("an empty file") << "empty" << int(S::Ok) << "";
    QTest::newRow("at the limit") << "limit" << int(S::Ok) << "";
    QTest::newRow("one byte over") << "over" << int(S::TooLarge) << "le fichier dépasse 1 Mio";
    QTest::newRow("missing") << "absent" << int(S::Missing) << "n’existe pas";
    QTest::newRow("a folder") << "folder" << int(S::NotRegular) << "c’est un dossier";
    QTest::newRow("a pipe") << "fifo" << int(S::NotRegular) << "ce n’est pas un fichier ordinaire";
    QTest::newRow("/dev/zero") << "/dev/zero" << int(S::NotRegular)
                               << "ce n’est pas un fichier ordinaire";
    QTest::newRow("unreadable") << "locked" << int(S::Unreadable) << "accès refusé";
}

void TestSafeFile::onlyRegularFilesAreRead()
{
    QFETCH(QString, name);
    QFETCH(int, status);
    QFETCH(QString, reason);
    constexpr qint64 limit = 1024 * 1024;
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("file")), "contenu");
    writeFile(dir.filePath(QStringLiteral("empty")), {});
    writeFile(dir.filePath(QStringLiteral("limit")), QByteArray(limit, 'x'));
    writeFile(dir.filePath(QStringLiteral("over")), QByteArray(limit + 1, 'x'));
    writeFile(dir.filePath(QStringLiteral("locked")), "secret");
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("folder"))));
#ifdef Q_OS_UNIX
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600)
            == 0);
    if (name == u"locked") {
        if (geteuid() == 0)
            QSKIP("root reads every file");
        QVERIFY(QFile::setPermissions(dir.filePath(name), QFileDevice::WriteOwner));
    }
#else
    if (name == u"fifo" || name.startsWith(u'/') || name == u"locked")
        QSKIP("a Unix case");
#endif
    const QString path = name.startsWith(u'/') ? name : dir.filePath(name);
    const FileRead read = readRegularFile(path, limit);
    QCOMPARE(int(read.status), status);
    QVERIFY2(read.reason.contains(reason), qPrintable(read.reason));
    QCOMPARE(read.bytes, read.ok() ? readFile(path) : QByteArray());
}

VELMARIS_TEST(TestSafeFile)
#include "tst_safefile.moc"
