// SPDX-License-Identifier: GPL-3.0-or-later
// A window sized to the scroll area it holds: a scroll bar only where the room
// is too small, never one that its own wrapped texts bring.
#include "testmain.h"
#include "windowfit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>

using namespace velmaris;

namespace {

// A window like the main one: a scroll area over a box of fixed width beside
// a long text that wraps.
struct ScrolledWindow {
    QWidget window;
    QScrollArea* area = nullptr;
    QWidget* contents = nullptr;

    ScrolledWindow()
    {
        contents = new QWidget;
        auto* row = new QHBoxLayout(contents);
        auto* box = new QWidget;
        box->setMinimumSize(300, 20);
        row->addWidget(box, 1, Qt::AlignTop);
        auto* text = new QLabel(
            QStringLiteral("Pour rappel\u00a0: si le bail ne précise pas d’indice de référence, "
                           "l’indice à considérer est le dernier publié au Journal Officiel à "
                           "la date du bail. Pour le calculer automatiquement, entrez "
                           "ci-dessous la date du bail."));
        text->setWordWrap(true);
        row->addWidget(text, 1);
        area = new QScrollArea(&window);
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        area->setWidget(contents);
        auto* outer = new QVBoxLayout(&window);
        outer->setContentsMargins(0, 0, 0, 0);
        outer->addWidget(area);
    }
};

} // namespace

class TestWindowFit : public QObject {
    Q_OBJECT
private slots:
    void barsOnlyWhereTheRoomIsSmall_data();
    void barsOnlyWhereTheRoomIsSmall();
};

// Rooms told from the contents' own wishes: their wished width is wider than
// the least they can take, and taller texts come with a narrower width.
void TestWindowFit::barsOnlyWhereTheRoomIsSmall_data()
{
    QTest::addColumn<QString>("room");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<bool>("horizontal");
    QTest::newRow("room to spare") << QStringLiteral("spare") << false << false;
    QTest::newRow("narrower than it wishes") << QStringLiteral("narrower") << false << false;
    QTest::newRow("narrower than it can be") << QStringLiteral("too narrow") << false << true;
    QTest::newRow("too short") << QStringLiteral("too short") << true << false;
}

void TestWindowFit::barsOnlyWhereTheRoomIsSmall()
{
    QFETCH(QString, room);
    QFETCH(bool, vertical);
    QFETCH(bool, horizontal);
    ScrolledWindow w;
    const QSize wish = w.contents->sizeHint();
    const int least = w.contents->minimumSizeHint().width();
    QVERIFY2(least < wish.width() - 40, "the test’s contents must wish more than they need");
    QSize space(4000, 4000);
    if (room == u"narrower") {
        // A width where a scroll bar's width less makes the text a line taller:
        // a bar there would stay for the line it brings.
        const int bar = w.window.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        int width = wish.width() - 1;
        while (width > least + bar
               && w.contents->heightForWidth(width - bar) == w.contents->heightForWidth(width))
            --width;
        QVERIFY(width > least + bar);
        space.setWidth(width);
    } else if (room == u"too narrow")
        space.setWidth(least - 40);
    else if (room == u"too short")
        space.setHeight(w.contents->heightForWidth(wish.width()) / 2);
    // First small, as a window is while it is built: both bars come, and
    // must go again where the room allows.
    w.window.resize(200, 100);
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    QTRY_VERIFY(w.area->verticalScrollBar()->isVisible());
    w.window.resize(scrolledSize(w.contents, space).boundedTo(space));
    QTest::qWait(50); // the layouts settle, the scroll bars come or go
    QCOMPARE(w.area->verticalScrollBar()->isVisible(), vertical);
    QCOMPARE(w.area->horizontalScrollBar()->isVisible(), horizontal);
    // Without a vertical bar, the whole height of the contents shows.
    if (!vertical)
        QVERIFY(w.contents->height() <= w.area->viewport()->height());
}

VELMARIS_TEST(TestWindowFit)
#include "tst_windowfit.moc"
