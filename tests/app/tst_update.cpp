#include "../update/httpfixture.h"

#include "indexupdater.h"
#include "mainwindow.h"
#include "maj.h"
#include "manualedit.h"
#include "messages.h"
#include "profile.h"
#include "programs.h"
#include "settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport.h"
#include <QToolButton>

using namespace velmaris;
using test::readAll;
using test::writeAll;

namespace {

// Eight quarters, the fourth published on fourthPublished.
QByteArray indexFileWithFourth(const QDate& fourthPublished)
{
    // Each quarter is the one before its publication's, as INSEE publishes.
    QByteArray bytes;
    for (int i = 0; i < 8; ++i) {
        const QDate published = fourthPublished.addMonths(3 * (3 - i));
        bytes += Quarter::containing(published).previous().key().toLatin1() + '\t'
                 + QByteArray::number(140.0 - i, 'f', 2) + '\t'
                 + published.toString(QStringLiteral("dd/MM/yyyy")).toLatin1() + "\r\n";
    }
    return bytes;
}

// The newest quarter of that file, and a fresh file one quarter newer.
Quarter newestWithFourth(const QDate& fourthPublished)
{
    return Quarter::containing(fourthPublished.addMonths(9)).previous();
}

QByteArray freshFileAfter(const QDate& fourthPublished)
{
    const Quarter next = newestWithFourth(fourthPublished).next();
    return indexFileText(12, next.year(), next.number());
}

QList<Launch> g_launches;
void recordLaunch(const Launch& launch)
{
    g_launches << launch;
}

// A main window on a folder of its own, the settings beside its index file,
// and a download that gives up after one second.
struct Fixture {
    QTemporaryDir dir;
    QString indexPath;
    QString iniPath;
    QByteArray oldFile;
    Maj maj;
    std::unique_ptr<MainWindow> window;
    IndexUpdater* updater = nullptr;

    explicit Fixture(const QByteArray& indexFile, const QByteArray& ini = {})
    {
        indexPath = dir.filePath(QStringLiteral("VELMARIS.TXT"));
        iniPath = dir.filePath(QStringLiteral("Velmaris.ini"));
        oldFile = indexFile;
        writeAll(indexPath, indexFile);
        if (!ini.isEmpty())
            writeAll(iniPath, ini);
        loadSettings(maj, iniPath);
        window = std::make_unique<MainWindow>(maj, dir.path(), QString());
        updater = window->findChild<IndexUpdater*>();
        updater->setTimeout(1000);
        updater->setConnectionTest([] { return true; });
    }
};

} // namespace

class TestUpdate : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void dialogShowsEveryControl();
    void okSavesTheTickedBox();
    void startUpCheck_data();
    void startUpCheck();
    void image1DownloadsWhileTheWindowStaysLive();
    void failedWriteIsReported();
    void manualEditingOpensEditorAndEnds();
};

void TestUpdate::cleanup()
{
    QTRY_VERIFY(!QApplication::overrideCursor());
}

void TestUpdate::dialogShowsEveryControl()
{
    Fixture f(indexFileWithFourth(QDate::currentDate()));
    f.window->load();
    f.window->show();
    QTest::mouseClick(f.window->Command1, Qt::LeftButton);
    QTRY_VERIFY(f.maj.isVisible());
    QVERIFY(f.maj.isModal());

    auto text = [&](const char* name) {
        const QString n = QString::fromLatin1(name);
        if (auto* l = f.maj.findChild<QLabel*>(n))
            return l->text();
        if (auto* b = f.maj.findChild<QAbstractButton*>(n))
            return b->text();
        return QStringLiteral("<missing>");
    };
    QCOMPARE(text("CheckMaj"), QStringLiteral("Activer la mise à jour automatique des indices"));
    QCOMPARE(text("Checkconnection"), QStringLiteral("Test automatique de la connexion"));
    QCOMPARE(text("Label2"), QStringLiteral("Adresse FTP"));
    QVERIFY(text("Label1").startsWith(QStringLiteral("La mise à jour automatique utilise")));
    QVERIFY(text("Label1").endsWith(QStringLiteral("du précédent indice concerné.")));
    QCOMPARE(text("Boutonmanuel"), QStringLiteral("Mise à jour manuelle"));
    QCOMPARE(text("Annuler"), QStringLiteral("&Annuler"));
    QCOMPARE(text("Valider"), QStringLiteral("&Ok"));
    for (const char* picture : {"Image1", "Picture1", "Picture2"})
        QVERIFY(f.maj.findChild<QToolButton*>(QString::fromLatin1(picture)));
    QVERIFY(f.maj.findChild<QFrame*>(QStringLiteral("Line1")));
    QCOMPARE(f.maj.Image1->toolTip(),
             QStringLiteral("Téléchargement du fichier des derniers indices"));
    QCOMPARE(f.maj.ftp->text(), kDefaultAddress.toString());
    f.maj.hide();
}

void TestUpdate::okSavesTheTickedBox()
{
    Fixture f(indexFileWithFourth(QDate::currentDate()), "[FTP]\r\nCHECKMAJ=0\r\n");
    f.window->load();
    f.window->show();
    QTest::mouseClick(f.window->Command1, Qt::LeftButton);
    QTRY_VERIFY(f.maj.isVisible());
    QVERIFY(!f.maj.CheckMaj->isChecked());
    QTest::mouseClick(f.maj.CheckMaj, Qt::LeftButton);
    QTest::mouseClick(f.maj.Valider, Qt::LeftButton);
    QVERIFY(!f.maj.isVisible());
    QCOMPARE(readProfileString(u"FTP", u"CHECKMAJ", f.iniPath), QStringLiteral("1"));
}

void TestUpdate::startUpCheck_data()
{
    QTest::addColumn<bool>("checkMaj");
    QTest::addColumn<int>("daysSinceFourth");
    QTest::addColumn<bool>("downloads");

    QTest::newRow("due") << true << 400 << true;
    QTest::newRow("due today") << true << -1 << true; // -1: one year ago to the day
    QTest::newRow("not yet") << true << 300 << false;
    QTest::newRow("automatic update off") << false << 400 << false;
}

void TestUpdate::startUpCheck()
{
    QFETCH(bool, checkMaj);
    QFETCH(int, daysSinceFourth);
    QFETCH(bool, downloads);
    const QDate today = QDate::currentDate();
    const QDate fourth = daysSinceFourth < 0 ? today.addYears(-1) : today.addDays(-daysSinceFourth);

    HttpFixture server;
    const QByteArray fresh = freshFileAfter(fourth);
    server.reply(200, fresh);
    const QByteArray ini = "[FTP]\r\nADRESS=" + server.url().toLatin1()
                           + "\r\nCHECKMAJ=" + (checkMaj ? "1" : "0") + "\r\n";
    Fixture f(indexFileWithFourth(fourth), ini);
    f.window->load();
    f.window->show();

    if (downloads) {
        QTRY_COMPARE(f.window->textind[0]->text(), newestWithFourth(fourth).next().label());
        QCOMPARE(readAll(f.indexPath), fresh + "\r\n");
        QCOMPARE(f.window->table().topRow, 0);
        QCOMPARE(f.window->barreinsee->maximum(), 0);
    } else {
        QTest::qWait(300);
        QVERIFY(server.requests().isEmpty());
        QCOMPARE(f.window->textind[0]->text(), newestWithFourth(fourth).label());
        QCOMPARE(readAll(f.indexPath), f.oldFile);
    }
}

void TestUpdate::image1DownloadsWhileTheWindowStaysLive()
{
    HttpFixture server;
    server.silent();
    Fixture f(indexFileWithFourth(QDate::currentDate()),
              "[FTP]\r\nADRESS=" + server.url().toLatin1() + "\r\n");
    f.window->load();
    f.window->show();
    QTest::mouseClick(f.window->Command1, Qt::LeftButton);
    QTRY_VERIFY(f.maj.isVisible());

    QTest::mouseClick(f.maj.Image1, Qt::LeftButton);
    QVERIFY(f.updater->isRunning());
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    // A second click while it runs starts nothing.
    QTest::mouseClick(f.maj.Image1, Qt::LeftButton);

    // The dialog still takes typing while the server keeps silent.
    f.maj.ftp->clear();
    QTest::keyClicks(f.maj.ftp, QStringLiteral("http://127.0.0.1/"));
    QCOMPARE(f.maj.ftp->text(), QStringLiteral("http://127.0.0.1/"));

    QTRY_VERIFY_WITH_TIMEOUT(!f.updater->isRunning(), 10000);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(readAll(f.indexPath), f.oldFile);
    QCOMPARE(f.window->textind[0]->text(), newestWithFourth(QDate::currentDate()).label());
    f.maj.hide();
}

void TestUpdate::failedWriteIsReported()
{
    HttpFixture server;
    server.reply(200, freshFileAfter(QDate::currentDate()));
    Fixture f(indexFileWithFourth(QDate::currentDate()),
              "[FTP]\r\nADRESS=" + server.url().toLatin1() + "\r\n");
    f.window->load();
    QStringList texts;
    MessageBox::setHandler([&](const QString&, const QString& text) { texts << text; });
    // The folder is gone: the file cannot be replaced.
    QVERIFY(f.dir.remove());
    emit f.maj.downloadRequested();
    QTRY_COMPARE(texts.size(), 1);
    MessageBox::setHandler(nullptr);
    QVERIFY(texts.first().contains(QStringLiteral("L'ancien fichier est conservé")));
    QCOMPARE(f.window->textind[0]->text(), newestWithFourth(QDate::currentDate()).label());
}

void TestUpdate::manualEditingOpensEditorAndEnds()
{
    QTemporaryDir base;
    const QString folder = base.filePath(QStringLiteral("dossier avec espaces"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/VELMARIS.TXT");
    writeAll(path, indexFileWithFourth(QDate::currentDate()));

    Maj maj;
    MainWindow w(maj, folder, QString());
    w.load();
    w.show();
    g_launches.clear();
    setLaunchRecorder(&recordLaunch);
    int ends = 0;
    setProgramEnd([&] { ++ends; });

    QTest::mouseClick(w.Command1, Qt::LeftButton);
    QTRY_VERIFY(maj.isVisible());
    QTest::mouseClick(maj.Boutonmanuel, Qt::LeftButton);
    setLaunchRecorder(nullptr);
    setProgramEnd(nullptr);

    QCOMPARE(g_launches.size(), 1);
    QCOMPARE(g_launches.first().program, textEditorFor(path).program);
    QCOMPARE(g_launches.first().arguments.last(), path); // one argument, blanks and all
    QCOMPARE(ends, 1);
    maj.hide();
}

QTEST_MAIN(TestUpdate)
#include "tst_update.moc"
