// SPDX-License-Identifier: GPL-3.0-or-later
#include "applocale.h"
#include "credits.h"
#include "mainwindow.h"
#include "messagecatcher.h"
#include "messages.h"
#include "settings.h"
#include "testmain.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <memory>

using namespace velmaris;
using test::Messages;

namespace {

// n quarters going back from the 3rd quarter 2025, IRL only above 2005, ICC below.
QByteArray indexFile(int quarters, double firstIrl = 145.77)
{
    QByteArray bytes = "' fixture\r\n";
    int year = 2025, q = 3;
    QDate published(2025, 10, 15);
    bool switched = false;
    for (int i = 0; i < quarters; ++i) {
        const QString key = QString::number(q) + QString::number(year);
        if (key == u"22005")
            switched = true;
        const QString date = published.toString(QStringLiteral("dd/MM/yyyy"));
        QString line =
            switched ? QStringLiteral("%1\t%2\t%3\t%4")
                           .arg(key)
                           .arg(1300 - i)
                           .arg(date)
                           .arg(110.0 - i * 0.1)
                     : QStringLiteral("%1\t%2\t%3").arg(key).arg(firstIrl - i * 0.25).arg(date);
        bytes += line.toLatin1() + "\r\n";
        published = published.addMonths(-3);
        if (--q == 0) {
            q = 4;
            --year;
        }
    }
    return bytes;
}

// A main window started on an index file of its own.
struct Started {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("VELMARIS.TXT"));
    Settings settings;
    std::unique_ptr<MainWindow> window;

    explicit Started(const QByteArray& file, const QString& folderSuffix = QString())
    {
        test::writeAll(path, file);
        window = std::make_unique<MainWindow>(settings, dir.path() + folderSuffix, QString());
        window->load();
    }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void controlsAndCaptions();
    void gridShowsTheTableAndScrolls();
    void activationReloadsAnEditedFile();
    void shorterFileLeavesNoStaleLines();
    void loadFailures_data();
    void loadFailures();
    void creditsWindow();
    void qtTextsInFrench_data();
    void qtTextsInFrench();
};

void TestMainWindow::controlsAndCaptions()
{
    Started started(indexFile(40));
    MainWindow& w = *started.window;

    auto text = [&](const char* name) {
        if (auto* l = w.findChild<QLabel*>(QString::fromLatin1(name)))
            return l->text();
        // A caption as shown: its Alt mnemonic aside.
        if (auto* b = w.findChild<QPushButton*>(QString::fromLatin1(name)))
            return b->text().remove(u'&');
        if (auto* c = w.findChild<QCheckBox*>(QString::fromLatin1(name)))
            return c->text().remove(u'&');
        return QStringLiteral("<missing>");
    };
    QCOMPARE(text("calculatrice"), QStringLiteral("Calculatrice"));
    QCOMPARE(text("imprimer"), QStringLiteral("Imprimer"));
    QCOMPARE(text("Command2"), QStringLiteral("Copier"));
    QCOMPARE(text("Command1"), QStringLiteral("Mise à jour"));
    QCOMPARE(text("arret"), QStringLiteral("Quitter"));
    QCOMPARE(text("Label1_0"), QStringLiteral("Trimestre"));
    QVERIFY(text("Label1_1").contains(QStringLiteral("2000/2008")));
    QCOMPARE(text("Label2"), QStringLiteral("Indice Insee"));
    QCOMPARE(text("Label3"), QStringLiteral("Moyenne des 4 derniers indices"));
    QCOMPARE(text("Label4"), QStringLiteral("Date de parution au Journal Officiel"));
    QCOMPARE(text("Label5"), QStringLiteral("Montant du loyer"));
    QCOMPARE(text("Label9"), QStringLiteral("(hors charges)"));
    QCOMPARE(text("Label8"), QStringLiteral("Indice de référence des loyers"));
    QCOMPARE(text("Label6"),
             QStringLiteral("Saisissez le loyer de référence en face de l’indice de référence"));
    QVERIFY(text("Label7").startsWith(QStringLiteral("Pour rappel\u00a0: si le bail")));
    QVERIFY(text("reeval").simplified().startsWith(QStringLiteral("Loyer « réévalué » (si case")));
    QVERIFY(text("nover").startsWith(QStringLiteral("v. ")));
    QCOMPARE(text("nover").count(u'.'), 3);
    QCOMPARE(w.Command1->toolTip(), QStringLiteral("Mise à jour des indices"));
    for (int i = 0; i < kGridLines; ++i)
        QVERIFY(w.findChild<QLineEdit*>(QStringLiteral("loyer_%1").arg(i)));
    QVERIFY(w.findChild<QLineEdit*>(QStringLiteral("datedubail")));
}

void TestMainWindow::gridShowsTheTableAndScrolls()
{
    Started started(indexFile(90), QStringLiteral("/"));
    MainWindow& w = *started.window;
    w.show();

    QCOMPARE(w.textind[0]->text(), QStringLiteral("3è tr.2025"));
    QCOMPARE(w.irl[0]->text(), QStringLiteral("145,77"));
    QCOMPARE(w.indice[0]->text(), QString());
    QCOMPARE(w.moyenne[0]->text(), QString());
    QVERIFY(w.irl[0]->font().bold());
    QCOMPARE(w.Datejo[0]->text(), QStringLiteral("15/10/2025"));
    QCOMPARE(w.textind[19]->text(), QStringLiteral("4è tr.2020"));
    QCOMPARE(w.barreinsee->maximum(), 89 - 19);

    // One step down moves every column by one line.
    w.barreinsee->setValue(1);
    QCOMPARE(w.view().topRow, 1);
    QCOMPARE(w.textind[0]->text(), QStringLiteral("2è tr.2025"));
    QCOMPARE(w.irl[0]->text(), QStringLiteral("145,52"));

    // Down to the switch row: ICC with its average, IRL no longer bold.
    w.barreinsee->setValue(81 - 19);
    QCOMPARE(w.textind[19]->text(), QStringLiteral("2è tr.2005"));
    QCOMPARE(w.indice[19]->text(), QStringLiteral("1219"));
    QCOMPARE(w.moyenne[19]->text(), QStringLiteral("1217,5"));
    QVERIFY(!w.moyenne[19]->font().bold());
    QVERIFY(!w.irl[19]->font().bold());

    w.barreinsee->setValue(w.barreinsee->maximum());
    QCOMPARE(w.textind[19]->text(), w.table().rows.back().label());
}

void TestMainWindow::activationReloadsAnEditedFile()
{
    Started started(indexFile(30));
    MainWindow& w = *started.window;
    const QString& path = started.path;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(w.irl[0]->text(), QStringLiteral("145,77"));

    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    test::writeAll(path, indexFile(30, 150.5));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(w.table().fileDate.addSecs(5), QFileDevice::FileModificationTime));
    f.close();

    w.activateWindow();
    QTRY_COMPARE(w.irl[0]->text(), QStringLiteral("150,5"));
}

void TestMainWindow::shorterFileLeavesNoStaleLines()
{
    Started started(indexFile(30));
    MainWindow& w = *started.window;
    const QString& path = started.path;
    test::writeAll(path, indexFile(5));
    QVERIFY(w.loadTable());
    QCOMPARE(w.textind[4]->text(), QStringLiteral("3è tr.2024"));
    for (int i = 5; i < kGridLines; ++i) {
        QCOMPARE(w.textind[i]->text(), QString());
        QCOMPARE(w.Datejo[i]->text(), QString());
    }
    QCOMPARE(w.barreinsee->maximum(), 0);
}

void TestMainWindow::loadFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("create");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing") << QByteArray() << false
                             << "Installation incomplète, ou mauvais paramètres"
                             << "Fichier des indices introuvable. (Contrôler avant réinstallation "
                                "la présence du fichier VELMARIS.TXT).";
    QTest::newRow("corrupt") << QByteArray("' c\r\n32025\t145.77\r\n") << true
                             << "Réinstallation nécessaire"
                             << "Fichier des indices corrompu\nligne 2 : la ligne du 3è tr.2025 "
                                "doit tenir le trimestre, l'indice et la date de parution "
                                "séparés par des tabulations.";
    // A reason that asks its question ends the sentence itself.
    QTest::newRow("asks") << QByteArray("' c\r\n42025\t245.78\t15/01/2026\r\n"
                                        "32025\t145.77\t15/10/2025\r\n")
                          << true << "Réinstallation nécessaire"
                          << "Fichier des indices corrompu\nligne 2 : l'IRL du 4è tr.2025 (245,78) "
                             "s'écarte de plus de 25 % de celui du 3è tr.2025 (145,77) : une "
                             "erreur de saisie ?";
}

void TestMainWindow::loadFailures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, create);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QTemporaryDir dir;
    if (create)
        test::writeAll(dir.filePath(QStringLiteral("VELMARIS.TXT")), bytes);
    Messages messages;
    Settings settings;
    MainWindow w(settings, dir.path(), QString());
    w.load();
    w.show();
    QCOMPARE(messages.titles, QStringList{title});
    QCOMPARE(messages.texts, QStringList{text});
    QCOMPARE(w.table().lastRow(), -1);
    QCOMPARE(w.textind[0]->text(), QString());

    // The window stays usable; the same broken file is not reported twice.
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(messages.titles.size(), 1);
}

void TestMainWindow::creditsWindow()
{
    Started started(indexFile(8));
    MainWindow& w = *started.window;
    w.show();

    QString seen;
    bool closed = false;
    QTimer::singleShot(0, &w, [&] {
        auto* credits = qobject_cast<FrmQUERVO*>(QApplication::activeModalWidget());
        if (credits) {
            seen = credits->LabelQuervo->text();
            credits->accept();
        }
        closed = true;
    });
    QTest::mouseClick(w.Label1[1], Qt::LeftButton);
    QTRY_VERIFY(closed);
    QVERIFY(seen.startsWith(QStringLiteral("Velmaris\r\n")));
    QVERIFY2(!seen.contains(QStringLiteral("rue")), qPrintable(seen)); // no made-up address
}

// Qt's own buttons and dialogs speak French as the program does.
void TestMainWindow::qtTextsInFrench_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("Cancel") << int(QDialogButtonBox::Cancel) << "Annuler";
    QTest::newRow("Save") << int(QDialogButtonBox::Save) << "Enregistrer";
    QTest::newRow("Close") << int(QDialogButtonBox::Close) << "Fermer";
}

void TestMainWindow::qtTextsInFrench()
{
    QFETCH(int, button);
    QFETCH(QString, text);
    QTranslator* french = loadQtTranslations(appLocale());
    QVERIFY(french);
    QDialogButtonBox box{QDialogButtonBox::StandardButton(button)};
    QString shown = box.button(QDialogButtonBox::StandardButton(button))->text();
    QCoreApplication::removeTranslator(french);
    delete french;
    QCOMPARE(QString(shown).remove(u'&'), text);
}

VELMARIS_TEST(TestMainWindow)
#include "tst_mainwindow.moc"
