// SPDX-License-Identifier: GPL-3.0-or-later
#include "../update/httpfixture.h"
#include "messagecatcher.h"
#include "testmain.h"

#include "indexentrydialog.h"
#include "indexupdater.h"
#include "mainwindow.h"
#include "maj.h"
#include "manualedit.h"
#include "messages.h"
#include "profile.h"
#include "programs.h"
#include "settings.h"
#include "staleness.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QComboBox>
#include <QTest>

#include "testsupport.h"
#include <QToolButton>

using namespace velmaris;
using test::readAll;
using test::writeAll;

namespace {

// Eight quarters, the fourth published on fourthPublished; their values are
// those of indexFileText().
QByteArray indexFileWithFourth(const QDate& fourthPublished)
{
    // Each quarter is the one before its publication's, as INSEE publishes.
    QByteArray bytes;
    for (int i = 0; i < 8; ++i) {
        const QDate published = fourthPublished.addMonths(3 * (3 - i));
        const Quarter q = Quarter::containing(published).previous();
        const double irl = 100 + ((q.year() - 2006) * 4 + q.number()) * 0.25;
        bytes += q.key().toLatin1() + '\t' + QByteArray::number(irl, 'f', 2) + '\t'
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

// Fifteen months ago: two quarters after the newest of that file are over by now.
QDate oneBoxFourth()
{
    return QDate::currentDate().addMonths(-15);
}

// A main window on a folder of its own, the settings beside its index file,
// and a download that gives up after one second.
struct Fixture {
    QTemporaryDir dir;
    QString indexPath;
    QString iniPath;
    QByteArray oldFile;
    Settings settings;
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
        settings.load(iniPath);
        window = std::make_unique<MainWindow>(settings, dir.path(), QString());
        updater = window->findChild<IndexUpdater*>();
        updater->setTimeout(1000);
        updater->setConnectionTest([] { return true; });
        updater->setToday([] { return QDate(2026, 12, 8); });
    }

    QString statut() const { return window->statut->text(); }
};

} // namespace

class TestUpdate : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void dialogShowsEveryControl();
    void staleTableIsSaidUnderTheGrid();
    void okSavesTheTickedBox();
    void startUpCheck_data();
    void startUpCheck();
    void startUpCheckIsSilent_data();
    void startUpCheckIsSilent();
    void manualDownloadEndsWithOneBox_data();
    void manualDownloadEndsWithOneBox();
    void image1ShowsProgressAndAnnulerStopsIt();
    void failedWriteIsReported();
    void manualEditingKeepsTheProgramAndRereads();
    void manualEditingWithoutEditorOffersTyping();
};

void TestUpdate::cleanup()
{
    QTRY_VERIFY(!QApplication::overrideCursor());
}

// Fifteen months old: a quarter is out that the table lacks; its link opens the
// update dialog. A current table says nothing.
void TestUpdate::staleTableIsSaidUnderTheGrid()
{
    Fixture old(indexFileWithFourth(QDate::currentDate().addMonths(-15)));
    old.window->load();
    old.window->show();
    QVERIFY(old.window->perime->isVisible());
    QVERIFY2(old.window->perime->text().startsWith(QStringLiteral("Indices connus jusqu'au ")),
             qPrintable(old.window->perime->text()));
    // Which quarter, when it came out, and the two ways to get it.
    const Quarter missing = old.window->table().newestQuarter().next();
    QVERIFY2(
        old.window->perime->text().contains(
            QStringLiteral("il manque les trimestres du %1 (paru vers le ").arg(missing.label())),
        qPrintable(old.window->perime->text()));
    QVERIFY(old.window->perime->text().contains(QStringLiteral(">Mise à jour</a>")));
    QVERIFY(old.window->perime->text().contains(QStringLiteral(">Saisir un indice…</a>")));
    emit old.window->perime->linkActivated(QStringLiteral("maj"));
    QTRY_VERIFY(old.window->updateDialog().isVisible());
    old.window->updateDialog().hide();
    emit old.window->perime->linkActivated(QStringLiteral("saisie"));
    IndexEntryDialog* entry = nullptr;
    QTRY_VERIFY((entry = old.window->findChild<IndexEntryDialog*>()) && entry->isVisible());
    QCOMPARE(entry->trimestre->currentText(), missing.label());
    entry->reject();

    const QDate recent = QDate::currentDate().addMonths(-8);
    Fixture current(indexFileWithFourth(recent));
    current.window->load();
    current.window->show();
    if (!staleness(current.window->table(), QDate::currentDate()))
        QVERIFY(!current.window->perime->isVisible());
}

void TestUpdate::dialogShowsEveryControl()
{
    Fixture f(indexFileWithFourth(QDate::currentDate()));
    f.window->load();
    f.window->show();
    QTest::mouseClick(f.window->Command1, Qt::LeftButton);
    QTRY_VERIFY(f.window->updateDialog().isVisible());
    QVERIFY(f.window->updateDialog().isModal());

    auto text = [&](const char* name) {
        const QString n = QString::fromLatin1(name);
        if (auto* l = f.window->updateDialog().findChild<QLabel*>(n))
            return l->text();
        if (auto* b = f.window->updateDialog().findChild<QAbstractButton*>(
                n)) // as shown: its Alt letter aside
            return b->text().remove(u'&');
        return QStringLiteral("<missing>");
    };
    QCOMPARE(text("CheckMaj"), QStringLiteral("Activer la mise à jour automatique des indices"));
    QCOMPARE(text("Checkconnection"), QStringLiteral("Test automatique de la connexion"));
    QCOMPARE(text("Label2"), QStringLiteral("Adresse FTP"));
    QVERIFY(text("Label1").startsWith(QStringLiteral("La mise à jour automatique utilise")));
    QVERIFY(text("Label1").endsWith(QStringLiteral("du précédent indice concerné.")));
    QCOMPARE(text("Boutonmanuel"), QStringLiteral("Mise à jour manuelle"));
    QCOMPARE(text("Annuler"), QStringLiteral("Annuler"));
    QCOMPARE(text("Valider"), QStringLiteral("OK"));
    for (const char* picture : {"Image1", "Picture1", "Picture2"})
        QVERIFY(f.window->updateDialog().findChild<QToolButton*>(QString::fromLatin1(picture)));
    QVERIFY(f.window->updateDialog().findChild<QFrame*>(QStringLiteral("Line1")));
    QCOMPARE(f.window->updateDialog().Image1->toolTip(),
             QStringLiteral("Téléchargement du fichier des derniers indices"));
    QCOMPARE(f.window->updateDialog().ftp->text(), kDefaultAddress.toString());
    QCOMPARE(text("Label3"), QStringLiteral("idBank de l’IRL de Corse"));
    QCOMPARE(text("Label4"), QStringLiteral("idBank de l’IRL d’outre-mer"));
    // INSEE's own series of Corsica and the overseas departments.
    QCOMPARE(f.window->updateDialog().idcorse->text(), QStringLiteral("010760507"));
    QCOMPARE(f.window->updateDialog().idoutremer->text(), QStringLiteral("010760509"));
    QCOMPARE(text("saisirindice"), QStringLiteral("Saisir un indice…"));
    QCOMPARE(text("importinsee"), QStringLiteral("Importer un fichier Insee…"));
    // A child of the main window, over it.
    QCOMPARE(f.window->updateDialog().parentWidget(), f.window.get());
    QVERIFY(f.window->updateDialog().isWindow());
    QVERIFY(f.window->geometry().contains(f.window->updateDialog().geometry().center()));
    f.window->updateDialog().hide();
}

void TestUpdate::okSavesTheTickedBox()
{
    Fixture f(indexFileWithFourth(QDate::currentDate()), "[FTP]\r\nCHECKMAJ=0\r\n");
    f.window->load();
    f.window->show();
    QTest::mouseClick(f.window->Command1, Qt::LeftButton);
    QTRY_VERIFY(f.window->updateDialog().isVisible());
    QVERIFY(!f.window->updateDialog().CheckMaj->isChecked());
    QTest::mouseClick(f.window->updateDialog().CheckMaj, Qt::LeftButton);
    QTest::mouseClick(f.window->updateDialog().Valider, Qt::LeftButton);
    QVERIFY(!f.window->updateDialog().isVisible());
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
    test::Messages boxes;
    const QByteArray ini = "[FTP]\r\nADRESS=" + server.url().toLatin1()
                           + "\r\nCHECKMAJ=" + (checkMaj ? "1" : "0") + "\r\n";
    Fixture f(indexFileWithFourth(fourth), ini);
    f.window->load();
    f.window->show();

    if (downloads) {
        // No hourglass over the window while it runs.
        QVERIFY(f.updater->isRunning());
        QVERIFY(!QApplication::overrideCursor());
        QTRY_COMPARE(f.window->textind[0]->text(), newestWithFourth(fourth).next().label());
        QCOMPARE(readAll(f.indexPath), fresh);
        QCOMPARE(f.window->view().topRow, 0);
        QCOMPARE(f.window->barreinsee->maximum(), 0);
        QCOMPARE(f.statut(),
                 QStringLiteral("Indices mis à jour jusqu'au %1 (4 trimestres ajoutés).")
                     .arg(newestWithFourth(fourth).next().label()));
    } else {
        QTest::qWait(300);
        QVERIFY(server.requests().isEmpty());
        QCOMPARE(f.window->textind[0]->text(), newestWithFourth(fourth).label());
        QCOMPARE(readAll(f.indexPath), f.oldFile);
        QCOMPARE(f.statut(), QString());
    }
    QVERIFY(boxes.texts.isEmpty());
}

void TestUpdate::startUpCheckIsSilent_data()
{
    QTest::addColumn<int>("status"); // 0: no server at that port
    QTest::addColumn<QString>("statut");

    QTest::newRow("404") << 404
                         << "Mise à jour impossible : le serveur a répondu par l'erreur "
                            "HTTP 404.";
    QTest::newRow("same file") << 200 << "Les indices sont déjà à jour.";
}

void TestUpdate::startUpCheckIsSilent()
{
    QFETCH(int, status);
    QFETCH(QString, statut);
    const QByteArray file = indexFileWithFourth(QDate::currentDate().addYears(-2));
    HttpFixture server;
    server.reply(status, file);
    test::Messages boxes;
    Fixture f(file, "[FTP]\r\nADRESS=" + server.url().toLatin1() + "\r\nCHECKMAJ=1\r\n");
    f.window->load();
    f.window->show();
    QTRY_COMPARE(f.statut(), statut);
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(readAll(f.indexPath), file);
    QVERIFY(!f.window->findChild<QProgressDialog*>());
}

void TestUpdate::manualDownloadEndsWithOneBox_data()
{
    QTest::addColumn<QString>("address"); // "server": the fixture's
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");

    const QByteArray old = indexFileWithFourth(oneBoxFourth());
    const Quarter two = newestWithFourth(oneBoxFourth()).plus(2);
    QTest::newRow("two quarters added")
        << "server" << 200 << indexFileText(10, two.year(), two.number())
        << QStringLiteral("Indices mis à jour jusqu'au %1 (2 trimestres ajoutés).")
               .arg(two.label());
    QTest::newRow("same file") << "server" << 200 << old << "Les indices sont déjà à jour.";
    QTest::newRow("404") << "server" << 404 << QByteArray("Not Found")
                         << "Mise à jour impossible : le serveur a répondu par l'erreur HTTP 404.";
    QTest::newRow("ftp") << "ftp://127.0.0.1/VELMARIS.TXT" << 200 << QByteArray()
                         << "Mise à jour impossible : l'adresse « ftp://127.0.0.1/VELMARIS.TXT » "
                            "n'est pas prise en charge : seules les adresses http et https le "
                            "sont.";
    QTest::newRow("nobody there") << "http://127.0.0.1:1/VELMARIS.TXT" << 200 << QByteArray()
                                  << "Mise à jour impossible : le serveur 127.0.0.1 refuse la "
                                     "connexion.";
}

void TestUpdate::manualDownloadEndsWithOneBox()
{
    QFETCH(QString, address);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    HttpFixture server;
    server.reply(status, body);
    test::Messages boxes;
    Fixture f(indexFileWithFourth(oneBoxFourth()));
    f.window->load();
    f.window->show();
    QTest::mouseClick(f.window->Command1, Qt::LeftButton);
    QTRY_VERIFY(f.window->updateDialog().isVisible());
    // The address as typed, before Ok.
    f.window->updateDialog().ftp->setText(address == u"server" ? server.url() : address);
    QTest::mouseClick(f.window->updateDialog().Image1, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.texts.size(), 1, 10000);
    QCOMPARE(boxes.texts.first(), text);
    QCOMPARE(f.statut(), text);
    QTRY_VERIFY(!f.window->findChild<QProgressDialog*>());
    QTest::qWait(50);
    QCOMPARE(boxes.texts.size(), 1);
    f.window->updateDialog().hide();
}

void TestUpdate::image1ShowsProgressAndAnnulerStopsIt()
{
    HttpFixture server;
    server.drip(indexFileText(12, 2025, 4), 50);
    test::Messages boxes;
    Fixture f(indexFileWithFourth(QDate::currentDate()),
              "[FTP]\r\nADRESS=" + server.url().toLatin1() + "\r\n");
    f.window->load();
    f.window->show();
    QTest::mouseClick(f.window->Command1, Qt::LeftButton);
    QTRY_VERIFY(f.window->updateDialog().isVisible());

    QTest::mouseClick(f.window->updateDialog().Image1, Qt::LeftButton);
    QVERIFY(f.updater->isRunning());
    QVERIFY(!QApplication::overrideCursor()); // the progress says it, and Annuler stays clickable
    auto* progress = f.window->findChild<QProgressDialog*>(QStringLiteral("progression"));
    QVERIFY(progress);
    QTRY_VERIFY(progress->isVisible());
    // A second click while it runs starts nothing.
    QTest::mouseClick(f.window->updateDialog().Image1, Qt::LeftButton);
    QCOMPARE(f.window->findChildren<QProgressDialog*>().size(), 1);

    auto* annuler = progress->findChild<QPushButton*>(QStringLiteral("Annuler"));
    QVERIFY(annuler);
    QCOMPARE(annuler->text(), QStringLiteral("Annuler"));
    QTest::qWait(200);
    QTest::mouseClick(annuler, Qt::LeftButton);

    QTRY_VERIFY_WITH_TIMEOUT(!f.updater->isRunning(), 5000);
    QTRY_VERIFY(!f.window->findChild<QProgressDialog*>());
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(readAll(f.indexPath), f.oldFile);
    QCOMPARE(f.window->textind[0]->text(), newestWithFourth(QDate::currentDate()).label());
    QVERIFY(boxes.texts.isEmpty()); // the user knows: only the status line says it
    QCOMPARE(f.statut(), QStringLiteral("Mise à jour annulée : les indices n'ont pas changé."));
    f.window->updateDialog().hide();
}

void TestUpdate::failedWriteIsReported()
{
    // A year old: the reply adds a quarter that is over.
    const QDate lastYear = QDate::currentDate().addYears(-1);
    HttpFixture server;
    server.reply(200, freshFileAfter(lastYear));
    Fixture f(indexFileWithFourth(lastYear), "[FTP]\r\nADRESS=" + server.url().toLatin1() + "\r\n");
    // The index file is a link: it is never written through.
    const QString target = f.dir.filePath(QStringLiteral("ailleurs.txt"));
    QVERIFY(QFile::rename(f.indexPath, target));
    QVERIFY(QFile::link(target, f.indexPath));
    f.window->load();
    test::Messages boxes;
    emit f.window->updateDialog().downloadRequested();
    QTRY_COMPARE_WITH_TIMEOUT(boxes.texts.size(), 1, 10000);
    QVERIFY2(boxes.texts.first().startsWith(QStringLiteral("Mise à jour impossible : ")),
             qPrintable(boxes.texts.first()));
    QVERIFY(boxes.texts.first().contains(QStringLiteral("est un lien symbolique")));
    QVERIFY(boxes.texts.first().endsWith(QStringLiteral("l'ancien fichier est conservé.")));
    QCOMPARE(f.window->textind[0]->text(), newestWithFourth(lastYear).label());
    QCOMPARE(readAll(target), f.oldFile);
}

// A stand-in for a text editor, first on the PATH: it replaces the file by
// another (as an editor saves: a new file put in place), then ends.
struct FakeEditor {
    QTemporaryDir bin;
    QByteArray oldPath = qgetenv("PATH");
    explicit FakeEditor(const QString& saved)
    {
        const QString script = bin.filePath(QStringLiteral("mousepad"));
        writeAll(script, "#!/bin/sh\n/bin/cp '" + saved.toUtf8()
                             + "' \"$1.tmp\" && /bin/mv \"$1.tmp\" \"$1\"\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
        qputenv("PATH", bin.path().toUtf8());
    }
    ~FakeEditor() { qputenv("PATH", oldPath); }
};

// The editor gets the path as one argument; the program goes on and reads
// the file again when the editor has saved it.
void TestUpdate::manualEditingKeepsTheProgramAndRereads()
{
    QTemporaryDir base;
    const QString folder = base.filePath(QStringLiteral("dossier avec espaces"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/VELMARIS.TXT");
    const QDate fourth = QDate::currentDate().addMonths(-15);
    writeAll(path, indexFileWithFourth(fourth));
    const QString edited = base.filePath(QStringLiteral("edited.txt"));
    writeAll(edited, freshFileAfter(fourth));

    Settings settings;
    MainWindow w(settings, folder, QString());
    w.load();
    w.show();
    const Quarter before = w.table().newestQuarter();
    {
        FakeEditor editor(edited);
        QCOMPARE(textEditorFor(path).arguments.last(), path); // blanks and all
        test::Messages boxes;
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QTRY_VERIFY(w.updateDialog().isVisible());
        QTest::mouseClick(w.updateDialog().Boutonmanuel, Qt::LeftButton);
        QTRY_COMPARE(w.table().newestQuarter(), before.next());
        QCOMPARE(w.textind[0]->text(), before.next().label());
        QVERIFY(boxes.texts.isEmpty());
    }
    QVERIFY(w.isVisible());

    // Changed again by another program while the window is open: read again.
    writeAll(edited, indexFileWithFourth(fourth));
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::copy(edited, path));
    QTRY_COMPARE(w.table().newestQuarter(), before);
    w.updateDialog().hide();
}

// No text editor installed: said in French, and typing the quarter offered.
void TestUpdate::manualEditingWithoutEditorOffersTyping()
{
    Fixture f(indexFileWithFourth(QDate::currentDate().addMonths(-15)));
    f.window->load();
    f.window->show();
    QTemporaryDir empty;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", empty.path().toUtf8());
    QStringList asked;
    MessageBox::setQuestionHandler([&](const QString&, const QString& text) {
        asked << text;
        return true;
    });
    QTest::mouseClick(f.window->Command1, Qt::LeftButton);
    QTRY_VERIFY(f.window->updateDialog().isVisible());
    QTest::mouseClick(f.window->updateDialog().Boutonmanuel, Qt::LeftButton);
    MessageBox::setQuestionHandler(nullptr);
    qputenv("PATH", oldPath);

    QCOMPARE(asked, QStringList{kNoTextEditor.toString()});
    IndexEntryDialog* entry = nullptr;
    QTRY_VERIFY((entry = f.window->updateDialog().findChild<IndexEntryDialog*>())
                && entry->isVisible());
    entry->reject();
    QVERIFY(f.window->isVisible());
    f.window->updateDialog().hide();
}

VELMARIS_TEST(TestUpdate)
#include "tst_update.moc"
