// SPDX-License-Identifier: GPL-3.0-or-later
#include "cursor.h"

#include <QApplication>
#include <QCursor>

namespace velmaris {

BusyCursor::BusyCursor()
{
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyCursor::~BusyCursor()
{
    QApplication::restoreOverrideCursor();
}

void beep()
{
    QApplication::beep();
}

} // namespace velmaris
