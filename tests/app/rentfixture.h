// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window on the rent fixture (tests/app/data/rent): 64 made-up
// quarters, 4th quarter 2015 (row 0) down to 1st quarter 2000 (row 63),
// quarter q of year y published on the 15th of month 3q + 1; IRL only above
// the 2nd quarter 2005 (row 42), ICC below; no IRL for the 2nd quarter 2004
// (row 46) nor below the 4th quarter 2002 (row 52).

#include "mainwindow.h"
#include "messagecatcher.h"
#include "messages.h"
#include "settings.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QStringList>
#include <QTest>

#include <memory>

#include "testsupport.h"

namespace velmaris::test {

struct RentWindow {
    Messages messages;
    Settings settings;
    MainWindow w{settings, QStringLiteral(VELMARIS_TEST_DATA "/rent"), QString()};

    RentWindow()
    {
        w.load();
        w.show();
        QApplication::setActiveWindow(&w);
    }

    bool active() { return QTest::qWaitForWindowActive(&w); }

    void scrollTo(int top) { w.barreinsee->setValue(top); }

    // Types into a box that has the focus, then presses Enter.
    static void type(QLineEdit* box, const QString& text, bool enter = true)
    {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
        if (enter)
            QTest::keyClick(box, Qt::Key_Return);
    }

    // What the rent column shows for a row of the table.
    QString rent(int row) const
    {
        return rentText(w.schedule(), w.table().rows[std::size_t(row)].quarter, w.locale());
    }

    QStringList rents() const
    {
        QStringList list;
        for (int r = 0; r <= w.table().lastRow(); ++r)
            list << rent(r);
        return list;
    }
};

} // namespace velmaris::test
