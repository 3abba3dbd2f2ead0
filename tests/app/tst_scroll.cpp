// SPDX-License-Identifier: GPL-3.0-or-later
// Moving the view of the main window's grid never changes a result: the
// wheel, the scroll bar, PageUp/PageDown, Tab, Shift+Tab and clicks, in any
// order, between every step of a revision.
#include "clipboardtext.h"
#include "rentfixture.h"
#include "testmain.h"

#include <QClipboard>
#include <QPushButton>
#include <QWheelEvent>

using namespace velmaris;
using velmaris::test::RentWindow;

namespace {

const QStringList kMoves{QStringLiteral("wheel up"),    QStringLiteral("wheel down"),
                         QStringLiteral("scroll bar"),  QStringLiteral("page up"),
                         QStringLiteral("page down"),   QStringLiteral("tab"),
                         QStringLiteral("shift tab"),   QStringLiteral("click Copier"),
                         QStringLiteral("click a box"), QStringLiteral("another window")};

// Whether the widget took the wheel (else it goes on to the window).
bool wheel(QWidget* over, int delta)
{
    const QPointF at(over->width() / 2.0, over->height() / 2.0);
    QWheelEvent event(at, over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &event);
    return event.isAccepted();
}

// One move of the view, made on the control that has the focus where a key does it.
void move(RentWindow& rw, const QString& how)
{
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus);
    // A wheel turned over a box reaches the grid under it.
    if (how == u"wheel up" || how == u"wheel down")
        wheel(rw.w.findChild<QWidget*>(QStringLiteral("grille")), how == u"wheel up" ? 120 : -120);
    else if (how == u"scroll bar")
        rw.w.barreinsee->triggerAction(QAbstractSlider::SliderPageStepAdd);
    else if (how == u"page up" || how == u"page down")
        QTest::keyClick(focus, how == u"page up" ? Qt::Key_PageUp : Qt::Key_PageDown);
    else if (how == u"tab" || how == u"shift tab")
        QTest::keyClick(focus, Qt::Key_Tab, how == u"tab" ? Qt::NoModifier : Qt::ShiftModifier);
    else if (how == u"another window") { // and back, as a message box or Alt+Tab does
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(focus, &out);
        QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(focus, &in);
    } else if (how == u"click Copier")
        QTest::mouseClick(rw.w.Command2, Qt::LeftButton);
    else
        QTest::mouseClick(rw.w.loyer[2], Qt::LeftButton);
}

QString copied()
{
    return QApplication::clipboard()->text();
}

} // namespace

class TestScroll : public QObject {
    Q_OBJECT

private slots:
    void movingTheViewKeepsTheRevision_data();
    void movingTheViewKeepsTheRevision();
    void typedRentGoesWithItsRow_data();
    void typedRentGoesWithItsRow();
    void wheelAtTheEndGoesToTheWindow_data();
    void wheelAtTheEndGoesToTheWindow();
};

void TestScroll::movingTheViewKeepsTheRevision_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("then");
    for (const QString& first : kMoves)
        for (const QString& then : kMoves)
            QTest::newRow(qPrintable(first + QStringLiteral(", ") + then)) << first << then;
}

// Row 30 is the 2nd quarter 2008, which a lease of 15/07/2008 names; it shows on
// box 19 with row 11 at the top.
void TestScroll::movingTheViewKeepsTheRevision()
{
    QFETCH(QString, first);
    QFETCH(QString, then);
    RentWindow rw;
    QVERIFY(rw.active());
    QApplication::clipboard()->clear();

    RentWindow::type(rw.w.datedubail, QStringLiteral("15/07/2008"));
    QVERIFY(rw.w.loyer[19]->hasFocus());
    move(rw, first);
    move(rw, then);
    QCOMPARE(rw.rents(), QStringList(64, QString()));
    QCOMPARE(rw.w.view().referenceRow, 30);

    rw.scrollTo(11);
    RentWindow::type(rw.w.loyer[19], QStringLiteral("850"));
    const QStringList rents = rw.rents();
    QCOMPARE(rents[30], QStringLiteral(" 850,00"));
    QVERIFY(!rents[26].isEmpty());
    const GridView view = rw.w.view();
    const QString table =
        clipboardText(rw.w.table(), view.referenceRow, rw.w.schedule(), false, rw.w.locale());

    // The measured fault: Enter, the wheel, then leaving the box.
    for (const QString& how :
         {first, then, first, QStringLiteral("tab"), then, QStringLiteral("shift tab"), first}) {
        move(rw, how);
        QCOMPARE(rw.rents(), rents);
        QCOMPARE(rw.w.view().referenceRow, view.referenceRow);
    }
    QVERIFY(rw.messages.texts.isEmpty());
    QTest::mouseClick(rw.w.Command2, Qt::LeftButton);
    QCOMPARE(copied(), table);
}

void TestScroll::typedRentGoesWithItsRow_data()
{
    QTest::addColumn<QString>("how");
    for (const QString& how : kMoves)
        QTest::newRow(qPrintable(how)) << how;
}

// A rent typed and not yet entered is revised on the row it was typed on,
// whatever moves the view before the box is left.
void TestScroll::typedRentGoesWithItsRow()
{
    QFETCH(QString, how);
    RentWindow rw;
    QVERIFY(rw.active());
    rw.scrollTo(10);
    RentWindow::type(rw.w.loyer[3], QStringLiteral("1234,5"), false);
    const int top = rw.w.barreinsee->value();
    move(rw, how);
    if (how.startsWith(u"wheel") || how.startsWith(u"page") || how == u"scroll bar")
        QVERIFY(rw.w.barreinsee->value() != top);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(rw.w.view().referenceRow, 13);
    QCOMPARE(rw.rent(13), QStringLiteral("1 234,50"));
    QCOMPARE(rw.rent(9), QStringLiteral("1 250,70"));
}

void TestScroll::wheelAtTheEndGoesToTheWindow_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("after"); // the grid's top row; unchanged: the window has the wheel

    QTest::newRow("up from the middle") << 10 << 120 << 7;
    QTest::newRow("down from the middle") << 10 << -120 << 13;
    QTest::newRow("up at the top") << 0 << 120 << 0;
    QTest::newRow("down at the bottom") << 44 << -120 << 44;
}

void TestScroll::wheelAtTheEndGoesToTheWindow()
{
    QFETCH(int, top);
    QFETCH(int, delta);
    QFETCH(int, after);
    RentWindow rw;
    QVERIFY(rw.active());
    rw.scrollTo(top);
    QCOMPARE(rw.w.barreinsee->maximum(), 44);
    const bool taken = wheel(rw.w.findChild<QWidget*>(QStringLiteral("grille")), delta);
    QCOMPARE(rw.w.barreinsee->value(), after);
    QCOMPARE(taken, after != top);
}

VELMARIS_TEST(TestScroll)
#include "tst_scroll.moc"
