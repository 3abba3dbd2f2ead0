// SPDX-License-Identifier: GPL-3.0-or-later
// The Imprimer and Copier buttons of the main window.
#include "defaultprinter.h"
#include "filechoice.h"
#include "mainwindow.h"
#include "messages.h"
#include "reportprinter.h"
#include "settings.h"
#include "testmain.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;

namespace {

// Three IRL-only quarters, newest first.
constexpr char kIndexFile[] = "' fixture\r\n"
                              "32025\t145.77\t15/10/2025\r\n"
                              "22025\t146.68\t16/07/2025\r\n"
                              "12025\t145.47\t16/04/2025\r\n";

struct Window {
    QTemporaryDir dir;
    Settings settings;
    std::unique_ptr<MainWindow> w;

    Window()
    {
        QFile f(dir.filePath(QStringLiteral("VELMARIS.TXT")));
        if (f.open(QIODevice::WriteOnly))
            f.write(kIndexFile);
        f.close();
        w = std::make_unique<MainWindow>(settings, dir.path(), QString());
        w->load();
        w->show();
    }
};

} // namespace

class TestOutputButtons : public QObject {
    Q_OBJECT

private slots:
    void copierPutsTheTableOnTheClipboard_data();
    void copierPutsTheTableOnTheClipboard();
    void imprimerWithoutPrinterSaysSo();
    void lettersAndAuditWithoutPrinterSaySo_data();
    void lettersAndAuditWithoutPrinterSaySo();
    void pdfIsWrittenSafely_data();
    void pdfIsWrittenSafely();
};

void TestOutputButtons::copierPutsTheTableOnTheClipboard_data()
{
    QTest::addColumn<int>("reference");
    QTest::addColumn<bool>("reeval");
    QTest::addColumn<QString>("expected");

    const QString head = QStringLiteral("\t\tMoyennes des\tIndice de\tDate de\tMontant du\r\n"
                                        "Trimestre\tIndice\t4 derniers\tréférence\tparution au\t"
                                        "loyer (%1)\r\n"
                                        "\t\tindices\tdes loyers\tJournal Officiel\t"
                                        "(hors charges)\r\n");
    const QString rows = QStringLiteral("3è tr.2025\t\t\t145,77\t15/10/2025\tLoyer 2025\r\n"
                                        "2è tr.2025\t\t\t146,68\t16/07/2025\t 850,00\r\n");
    QTest::newRow("nothing computed") << -1 << true << head.arg(QStringLiteral("réévalué"));
    QTest::newRow("réévalué") << 1 << true << head.arg(QStringLiteral("réévalué")) + rows;
    QTest::newRow("augmenté") << 1 << false << head.arg(QStringLiteral("augmenté")) + rows;
}

void TestOutputButtons::copierPutsTheTableOnTheClipboard()
{
    QFETCH(int, reference);
    QFETCH(bool, reeval);
    QFETCH(QString, expected);

    Window win;
    MainWindow& w = *win.w;
    QCOMPARE(w.table().rows.size(), std::size_t(3));
    if (reference >= 0) {
        w.loyer[reference]->setFocus();
        QTest::keyClicks(w.loyer[reference], QStringLiteral("850"));
        QTest::keyClick(w.loyer[reference], Qt::Key_Return);
        QCOMPARE(w.view().referenceRow, reference);
    }
    w.reeval->setChecked(reeval);
    QApplication::clipboard()->setText(QStringLiteral("before"));

    auto* copier = w.findChild<QPushButton*>(QStringLiteral("Command2"));
    QVERIFY(copier);
    QTest::mouseClick(copier, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), expected);
    QVERIFY(!QApplication::overrideCursor());
}

void TestOutputButtons::lettersAndAuditWithoutPrinterSaySo_data()
{
    QTest::addColumn<bool>("letters");
    QTest::newRow("letters") << true;
    QTest::newRow("audit") << false;
}

void TestOutputButtons::lettersAndAuditWithoutPrinterSaySo()
{
    QFETCH(bool, letters);
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer: the test would print");
    QStringList shown;
    MessageBox::setHandler(
        [&](const QString& title, const QString& text) { shown << title << text; });
    const bool printed = letters
                             ? printLetters({RevisionLetter{}}, QStringLiteral("Lettre"), nullptr)
                             : printAuditReport(AuditReport{}, nullptr);
    MessageBox::setHandler(nullptr);
    QVERIFY(!printed);
    QCOMPARE(shown, (QStringList{QStringLiteral("Erreur d’impression"),
                                 QStringLiteral("Pas d’imprimante par défaut. Modifiez votre "
                                                "configuration avant de relancer "
                                                "l’impression.")}));
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestOutputButtons::imprimerWithoutPrinterSaysSo()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer: the test would print");
    Window win;
    QStringList shown;
    MessageBox::setHandler(
        [&](const QString& title, const QString& text) { shown << title << text; });
    auto* imprimer = win.w->findChild<QPushButton*>(QStringLiteral("imprimer"));
    QVERIFY(imprimer);
    QTest::mouseClick(imprimer, Qt::LeftButton);
    MessageBox::setHandler(nullptr);
    QCOMPARE(shown, (QStringList{QStringLiteral("Erreur d’impression"),
                                 QStringLiteral("Pas d’imprimante par défaut. Modifiez votre "
                                                "configuration avant de relancer "
                                                "l’impression.")}));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(win.w->isVisible()); // the program goes on
}

void TestOutputButtons::pdfIsWrittenSafely_data()
{
    QTest::addColumn<QString>("chosen");  // in the index file's folder
    QTest::addColumn<QString>("written"); // empty: nothing written
    QTest::addColumn<bool>("link");       // chosen is a link to the index file

    QTest::newRow("a new file") << "tableau.pdf"
                                << "tableau.pdf" << false;
    QTest::newRow("no suffix") << "tableau"
                               << "tableau.pdf" << false;
    QTest::newRow("the index file’s name") << "VELMARIS.TXT"
                                           << "VELMARIS.TXT.pdf" << false;
    QTest::newRow("a link to the index file") << "lien.pdf"
                                              << "" << true;
    QTest::newRow("cancelled") << ""
                               << "" << false;
}

// "Enregistrer en PDF…": the printed pages in a file the user chooses, written
// whole or not at all, never over the program's own files.
void TestOutputButtons::pdfIsWrittenSafely()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QFETCH(bool, link);
    Window win;
    MainWindow& w = *win.w;
    w.loyer[1]->setFocus();
    QTest::keyClicks(w.loyer[1], QStringLiteral("850"));
    QTest::keyClick(w.loyer[1], Qt::Key_Return);
    const QString indexPath = win.dir.filePath(QStringLiteral("VELMARIS.TXT"));
    auto indexBytes = [&] {
        QFile f(indexPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray index = indexBytes();
    if (link)
        QVERIFY(QFile::link(indexPath, win.dir.filePath(chosen)));
    const QStringList before = QDir(win.dir.path()).entryList(QDir::Files | QDir::System);
    QString offered;
    FileChoice::setHandler([&](bool, const QString& proposed) {
        offered = proposed;
        return chosen.isEmpty() ? QString() : win.dir.filePath(chosen);
    });
    QStringList shown;
    MessageBox::setHandler([&](const QString&, const QString& text) { shown << text; });
    QTest::mouseClick(w.pdf, Qt::LeftButton);
    FileChoice::setHandler(nullptr);
    MessageBox::setHandler(nullptr);

    QCOMPARE(QFileInfo(offered).fileName(), QStringLiteral("Révision du loyer.pdf"));
    QCOMPARE(indexBytes(), index);
    if (written.isEmpty()) {
        QCOMPARE(shown.size(), link ? 1 : 0);
        QCOMPARE(QDir(win.dir.path()).entryList(QDir::Files | QDir::System), before);
        return;
    }
    QVERIFY2(shown.isEmpty(), qPrintable(shown.join(u'|')));
    QFile pdf(win.dir.filePath(written));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(isWholePdf(pdf.readAll()));
    if (qEnvironmentVariableIntValue("VELMARIS_SCREENSHOTS") == 1) // to look at
        QFile::copy(pdf.fileName(), QStringLiteral("/tmp/tableau.pdf"));
}

VELMARIS_TEST(TestOutputButtons)
#include "tst_outputbuttons.moc"
