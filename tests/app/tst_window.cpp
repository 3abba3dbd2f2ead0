// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a careful user drives it: walking through the boxes,
// clicking, ticking "réévalué", reloads, shortcuts, small screens.
#include "messagecatcher.h"
#include "rentfixture.h"
#include "testmain.h"

#include "credits.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

using namespace velmaris;
using velmaris::test::Messages;
using velmaris::test::RentWindow;

namespace {

const QString kShippedFolder = QStringLiteral(VELMARIS_SOURCE_DIR "/data");

QString copied(MainWindow& w)
{
    QApplication::clipboard()->clear();
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    return QApplication::clipboard()->text();
}

// A window of its own on the shipped index file or on a copy of the rent fixture.
struct OwnWindow {
    QTemporaryDir dir;
    Messages messages;
    Settings settings;
    std::unique_ptr<MainWindow> w;

    explicit OwnWindow(const QByteArray& indexFile = {})
    {
        QString folder = kShippedFolder;
        if (!indexFile.isEmpty()) {
            test::writeAll(path(), indexFile);
            folder = dir.path();
        }
        w = std::make_unique<MainWindow>(settings, folder, QString());
        w->load();
        w->show();
        QApplication::setActiveWindow(w.get());
    }
    QString path() const { return dir.filePath(QStringLiteral("VELMARIS.TXT")); }
    QString rent(int row) const
    {
        return rentText(w->schedule(), w->table().rows[std::size_t(row)].quarter, w->locale());
    }
};

QByteArray fixtureBytes()
{
    QFile f(QStringLiteral(VELMARIS_TEST_DATA "/rent/VELMARIS.TXT"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Nine IRL quarters, newest the 4th of 2015: 100, then 98 a year on, then 99.
QByteArray fallingIndexFile()
{
    QByteArray bytes;
    Quarter q(2015, 4);
    for (int i = 0; i < 9; ++i, q = q.previous()) {
        const double irl = i == 8 ? 100 : i == 4 ? 98 : i == 0 ? 99 : 99.5;
        bytes += q.key().toLatin1() + '\t' + QByteArray::number(irl) + '\t'
                 + q.lastDay().addDays(15).toString(u"dd/MM/yyyy").toLatin1() + "\r\n";
    }
    return bytes;
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void startsOnTheLeaseDate();
    void tabWalkChangesNothing();
    void tabAfterALookupChangesNothing();
    void clickInTheFoundBoxKeepsTheLease();
    void clickInAnotherBoxLeavesTheLease();
    void reevalRecomputes();
    void enterOnNoAmountDoesNothing_data();
    void enterOnNoAmountDoesNothing();
    void reloadRevisesOnTheSameQuarter();
    void reloadWithoutTheQuarterClearsTheRents();
    void tabOrder();
    void shortcuts();
    void fitsASmallScreen_data();
    void fitsASmallScreen();
    void opensTallEnoughForTheLinesUnderTheGrid();
    void calculatorMissingSaysSo();
    void brokenIndexFileGetsTheShippedCopy_data();
    void brokenIndexFileGetsTheShippedCopy();
};

void TestWindow::startsOnTheLeaseDate()
{
    RentWindow rw;
    QVERIFY(rw.active());
    QTRY_VERIFY(rw.w.datedubail->hasFocus());
    QCOMPARE(rw.w.view().referenceRow, -1);
    // Nothing chosen yet: the copied table is its headings alone.
    QCOMPARE(copied(rw.w).count(QStringLiteral("\r\n")), 3);
}

// Tab and Shift+Tab through every box, back and forth, after a revision.
void TestWindow::tabWalkChangesNothing()
{
    RentWindow rw;
    QVERIFY(rw.active());
    rw.scrollTo(10);
    RentWindow::type(rw.w.loyer[3], QStringLiteral("1234,5"));
    const QString before = copied(rw.w);
    const QStringList rents = rw.rents();
    QCOMPARE(before.count(QStringLiteral("\r\n")), 3 + 14);

    rw.w.loyer[0]->setFocus();
    for (int i = 0; i < kGridLines - 1; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(rw.w.loyer[i + 1]->hasFocus());
    }
    for (int i = kGridLines - 1; i > 0; --i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QVERIFY(rw.w.loyer[0]->hasFocus());
    QCOMPARE(rw.rents(), rents);
    QCOMPARE(copied(rw.w), before);
    QVERIFY(rw.messages.texts.isEmpty());
}

void TestWindow::tabAfterALookupChangesNothing()
{
    OwnWindow o;
    RentWindow::type(o.w->datedubail, QStringLiteral("15/11/2004"));
    QLineEdit* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(box && box != o.w->datedubail);
    QTest::keyClicks(box, QStringLiteral("500"));
    QTest::keyClick(box, Qt::Key_Return);
    const QString before = copied(*o.w);
    QVERIFY(before.contains(QStringLiteral("16/07/2025\t 690,40\r\n")));

    // Round the window once: out of the box, through the lease date, back.
    for (int k = 0; k < 30; ++k)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    o.w->datedubail->setFocus();
    QTest::keyClick(o.w->datedubail, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(copied(*o.w), before);
    QCOMPARE(o.w->datedubail->text(), QStringLiteral("15/11/2004"));
}

// The lease of 15/11/2004 at 500: 690,40 in 2025 whether the rent is typed
// after the lookup by keyboard or after a click into the box it found.
void TestWindow::clickInTheFoundBoxKeepsTheLease()
{
    OwnWindow o;
    RentWindow::type(o.w->datedubail, QStringLiteral("15/11/2004"));
    const int row = o.w->view().referenceRow;
    QLineEdit* box = o.w->loyer[row - o.w->view().topRow];
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(o.w->datedubail->text(), QStringLiteral("15/11/2004"));
    QTest::keyClicks(box, QStringLiteral("500"));
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(copied(*o.w).contains(QStringLiteral("16/07/2025\t 690,40\r\n")));
}

void TestWindow::clickInAnotherBoxLeavesTheLease()
{
    RentWindow rw;
    QVERIFY(rw.active());
    RentWindow::type(rw.w.datedubail, QStringLiteral("20/08/2008"));
    QVERIFY(rw.w.loyer[19]->hasFocus());
    QTest::mouseClick(rw.w.loyer[5], Qt::LeftButton);
    QCOMPARE(rw.w.datedubail->text(), QString());
    QVERIFY(rw.w.loyer[5]->hasFocus());
    // The first caption now comes from the publication of the clicked quarter.
    RentWindow::type(rw.w.loyer[5], QStringLiteral("700"));
    QCOMPARE(rw.w.view().referenceRow, 16);
    QCOMPARE(rw.rent(15), QStringLiteral("Loyer 2012")); // the 4th quarter 2011 came out in 2012
}

void TestWindow::reevalRecomputes()
{
    OwnWindow o(fallingIndexFile());
    RentWindow::type(o.w->loyer[8], QStringLiteral("1000"));
    QCOMPARE(o.rent(4), QStringLiteral("1 000,00"));
    QVERIFY(copied(*o.w).contains(QStringLiteral("(augmenté)")));

    o.w->reeval->click();
    QCOMPARE(o.rent(4), QStringLiteral(" 980,00"));
    QCOMPARE(o.rent(0), QStringLiteral(" 990,00"));
    const QString text = copied(*o.w);
    QVERIFY(text.contains(QStringLiteral("(réévalué)")));
    QVERIFY(text.contains(QStringLiteral("\t 980,00\r\n")));
    o.w->reeval->click();
    QCOMPARE(o.rent(4), QStringLiteral("1 000,00"));
    QVERIFY(o.messages.texts.isEmpty());
}

void TestWindow::enterOnNoAmountDoesNothing_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty") << 4 << "";
    QTest::newRow("zero") << 4 << "0";
    QTest::newRow("no number") << 4 << "abc";
    QTest::newRow("negative") << 4 << "-850";
    QTest::newRow("a caption") << 2 << "";
}

void TestWindow::enterOnNoAmountDoesNothing()
{
    QFETCH(int, box);
    QFETCH(QString, typed);
    RentWindow rw;
    QVERIFY(rw.active());
    RentWindow::type(rw.w.loyer[3], QStringLiteral("650"));
    const QStringList before = rw.rents();
    QLineEdit* edit = rw.w.loyer[box];
    edit->setFocus();
    if (!typed.isEmpty() || box != 2) {
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        if (typed.isEmpty())
            edit->clear();
    }
    const QString shown = edit->text();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(rw.rents(), before);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(rw.w.view().referenceRow, 3);
}

// A new quarter at the top: the rent typed stays on its quarter, one row down,
// and the newest anniversary is revised again.
void TestWindow::reloadRevisesOnTheSameQuarter()
{
    OwnWindow o(fixtureBytes());
    RentWindow::type(o.w->loyer[13], QStringLiteral("1234,5"));
    QCOMPARE(o.rent(13), QStringLiteral("1 234,50"));
    QCOMPARE(o.rent(1), QStringLiteral("1 279,23"));

    QByteArray newer = "12016\t126.5\t15/04/2016\r\n" + fixtureBytes();
    test::writeAll(o.path(), newer);
    QFile(o.path()).setFileTime(QDateTime::currentDateTime().addSecs(5),
                                QFileDevice::FileModificationTime);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::setActiveWindow(o.w.get());
    QTRY_COMPARE(o.w->table().rows.front().quarter, Quarter(2016, 1));

    QCOMPARE(o.rent(14), QStringLiteral("1 234,50"));
    QCOMPARE(o.w->view().referenceRow, 14);
    QCOMPARE(o.rent(2), QStringLiteral("1 279,23"));
    QCOMPARE(o.rent(1), QStringLiteral("Loyer 2015"));
    QCOMPARE(o.rent(0), QString());
    QCOMPARE(o.w->loyer[2]->text(), QStringLiteral("1 279,23"));
}

void TestWindow::reloadWithoutTheQuarterClearsTheRents()
{
    OwnWindow o(fixtureBytes());
    o.w->barreinsee->setValue(44);
    RentWindow::type(o.w->loyer[19], QStringLiteral("800")); // the 1st quarter 2000
    QVERIFY(!o.w->schedule().isEmpty());

    // The same file without its oldest quarter.
    QByteArray shorter = fixtureBytes();
    shorter.chop(shorter.size() - shorter.lastIndexOf("12000\t"));
    test::writeAll(o.path(), shorter);
    QFile(o.path()).setFileTime(QDateTime::currentDateTime().addSecs(5),
                                QFileDevice::FileModificationTime);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::setActiveWindow(o.w.get());
    QTRY_COMPARE(o.w->table().lastRow(), 62);
    QVERIFY(o.w->schedule().isEmpty());
    for (QLineEdit* box : o.w->loyer)
        QCOMPARE(box->text(), QString());
    QCOMPARE(o.w->view().referenceRow, -1);
}

void TestWindow::tabOrder()
{
    RentWindow rw;
    QVERIFY(rw.active());
    QList<QWidget*> expected{rw.w.datedubail};
    for (QLineEdit* box : rw.w.loyer)
        expected << box;
    expected << rw.w.reeval << rw.w.calculatrice << rw.w.imprimer << rw.w.pdf << rw.w.Command2
             << rw.w.Command1 << rw.w.saisirindice << rw.w.baux << rw.w.arret;
    rw.w.datedubail->setFocus();
    QList<QWidget*> walked{QApplication::focusWidget()};
    for (int k = 1; k < expected.size(); ++k) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << QApplication::focusWidget();
    }
    QCOMPARE(walked, expected);
}

void TestWindow::shortcuts()
{
    RentWindow rw;
    QVERIFY(rw.active());
    RentWindow::type(rw.w.loyer[3], QStringLiteral("650"));
    const QString table = copied(rw.w);

    QApplication::clipboard()->clear();
    QTest::keyClick(rw.w.loyer[3], Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QApplication::clipboard()->text(), table);

    // No printer here: Ctrl+P says so as the button does.
    rw.messages.titles.clear();
    QTest::keyClick(rw.w.loyer[3], Qt::Key_P, Qt::ControlModifier);
    if (QPrinterInfo::defaultPrinter().isNull())
        QCOMPARE(rw.messages.titles, QStringList{QStringLiteral("Erreur d’impression")});

    // F1 opens the credits window, closed here by Escape.
    bool credits = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<FrmQUERVO*>(QApplication::activeModalWidget())) {
            credits = true;
            dialog->reject();
        }
    });
    QTest::keyClick(rw.w.loyer[3], Qt::Key_F1);
    QTRY_VERIFY(credits);

    // The captions stay as the product writes them, with an Alt letter.
    QCOMPARE(rw.w.imprimer->text(), QStringLiteral("&Imprimer"));
    QCOMPARE(rw.w.Command2->text(), QStringLiteral("&Copier"));
    QCOMPARE(rw.w.arret->text(), QStringLiteral("&Quitter"));

    QApplication::setActiveWindow(&rw.w);
    QVERIFY(rw.active());
    QTest::keyClick(rw.w.loyer[3], Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!rw.w.isVisible());
}

// 1024 x 768 less a panel and a title bar; then the same screen at scale 2,
// which leaves half of it in each direction.
void TestWindow::fitsASmallScreen_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("1024x768") << QSize(1024, 700) << false;
    QTest::newRow("1024x768 at scale 2") << QSize(512, 350) << true;
}

void TestWindow::fitsASmallScreen()
{
    QFETCH(QSize, size);
    QFETCH(bool, scrolls);
    RentWindow rw;
    QVERIFY(rw.active());
    rw.w.resize(size);
    QTRY_COMPARE(rw.w.size(), size);
    auto* area = rw.w.findChild<QScrollArea*>();
    QVERIFY(area);
    QTest::qWait(50); // the layouts settle, the scroll bars come or go
    const bool scrollbars =
        area->horizontalScrollBar()->isVisible() || area->verticalScrollBar()->isVisible();
    QCOMPARE(scrollbars, scrolls);
    // Every control can be reached and shows whole once scrolled to.
    QList<QWidget*> controls{rw.w.datedubail, rw.w.reeval,   rw.w.calculatrice, rw.w.imprimer,
                             rw.w.Command2,   rw.w.Command1, rw.w.saisirindice, rw.w.baux,
                             rw.w.arret,      rw.w.loyer[19]};
    for (QWidget* c : controls) {
        // The whole control, not just a line edit's cursor as ensureWidgetVisible would.
        const QPoint at = c->mapTo(area->widget(), QPoint(0, 0));
        // Margins rounded up: an odd height still shows whole.
        area->ensureVisible(at.x() + c->width() / 2, at.y() + c->height() / 2,
                            (c->width() + 1) / 2, (c->height() + 1) / 2);
        QCoreApplication::processEvents();
        const QRect inViewport(c->mapTo(area->viewport(), QPoint(0, 0)), c->size());
        QVERIFY2(area->viewport()->rect().contains(inViewport),
                 qPrintable(QStringLiteral("%1 %2,%3 %4x%5 in %6x%7")
                                .arg(c->objectName())
                                .arg(inViewport.x())
                                .arg(inViewport.y())
                                .arg(inViewport.width())
                                .arg(inViewport.height())
                                .arg(area->viewport()->width())
                                .arg(area->viewport()->height())));
    }
}

// The line under the grid gets its text as the table is read, after the
// window is built: the window still opens tall enough for it, at the width
// the screen gives it (narrower than it wishes, here), with no vertical bar.
void TestWindow::opensTallEnoughForTheLinesUnderTheGrid()
{
    RentWindow rw;
    QVERIFY(rw.active());
    QVERIFY(!rw.w.perime->isHidden() && !rw.w.perime->text().isEmpty());
    auto* area = rw.w.findChild<QScrollArea*>();
    QVERIFY(area);
    const QWidget* contents = area->widget();
    if (rw.w.screen()->availableGeometry().height() < rw.w.height() + 40)
        QSKIP("the screen is too short for the whole window");
    QTest::qWait(50); // the layouts settle, the scroll bars come or go
    QVERIFY(!area->verticalScrollBar()->isVisible());
    QVERIFY(contents->height() <= area->viewport()->height());
    const QRect line(rw.w.perime->mapTo(area->viewport(), QPoint(0, 0)), rw.w.perime->size());
    QVERIFY(area->viewport()->rect().bottom() >= line.bottom());
}

void TestWindow::calculatorMissingSaysSo()
{
    RentWindow rw;
    QVERIFY(rw.active());
    QTemporaryDir empty;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(empty.path()));
    QTest::mouseClick(rw.w.calculatrice, Qt::LeftButton);
    qputenv("PATH", path);
    QCOMPARE(rw.messages.titles, QStringList{QStringLiteral("Calculatrice")});
    QVERIFY(rw.messages.texts.first().startsWith(QStringLiteral("Aucune calculatrice")));
}

// An emptied or damaged index file is said, and the shipped copy offered in
// its place; what the damaged file held is kept beside it.
void TestWindow::brokenIndexFileGetsTheShippedCopy_data()
{
    QTest::addColumn<QByteArray>("broken");
    QTest::addColumn<bool>("shipped"); // an installed copy, with its shipped file
    QTest::addColumn<bool>("yes");
    QTest::newRow("empty, put back") << QByteArray() << true << true;
    QTest::newRow("damaged, put back") << QByteArray("42025\tx\r\n") << true << true;
    QTest::newRow("empty, kept") << QByteArray() << true << false;
    QTest::newRow("portable copy") << QByteArray() << false << false;
}

void TestWindow::brokenIndexFileGetsTheShippedCopy()
{
    QFETCH(QByteArray, broken);
    QFETCH(bool, shipped);
    QFETCH(bool, yes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VELMARIS.TXT"));
    test::writeAll(path, broken);
    const QString shippedFile = kShippedFolder + QStringLiteral("/VELMARIS.TXT");
    Messages boxes;
    QStringList asked;
    MessageBox::setQuestionHandler([&](const QString&, const QString& text) {
        asked << text;
        return yes;
    });
    Settings settings;
    MainWindow w(settings, dir.path(), QString());
    DataFolders folders;
    folders.indexFolder = folders.settingsFolder = folders.dataFolder = dir.path();
    if (shipped)
        folders.shippedIndex = shippedFile;
    w.setDataFolders(folders);
    w.load();
    MessageBox::setQuestionHandler(nullptr);

    QCOMPARE(asked.size(), shipped ? 1 : 0);
    QCOMPARE(boxes.texts.size(), shipped ? 0 : 1);
    const QString said = shipped ? asked.value(0) : boxes.texts.value(0);
    QVERIFY2(said.startsWith(QStringLiteral("Fichier des indices corrompu\n")), qPrintable(said));
    if (shipped)
        QVERIFY(said.contains(QStringLiteral("Remettre à sa place le fichier des indices livré")));
    const bool putBack = shipped && yes;
    QCOMPARE(test::readAll(path), putBack ? test::readAll(shippedFile) : broken);
    QCOMPARE(w.table().rows.empty(), !putBack);
    const QStringList kept =
        QDir(dir.path()).entryList({QStringLiteral("VELMARIS.TXT.corrompu-*")}, QDir::Files);
    QCOMPARE(kept.size(), putBack && !broken.isEmpty() ? 1 : 0);
    if (!kept.isEmpty())
        QCOMPARE(test::readAll(dir.filePath(kept.front())), broken);
}

VELMARIS_TEST(TestWindow)
#include "tst_window.moc"
