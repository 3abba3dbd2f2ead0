#pragma once

#include "indextable.h"

#include <QLocale>
#include <QString>

namespace velmaris {

// What one of the twenty grid lines shows.
struct GridLine {
    Quarter quarter; // none past the end of the table
    QString label;
    QString icc;
    QString average;
    QString irl;
    QString date;
    QString rent; // left to the caller, who holds the rents
    bool averageBold = false;
    bool irlBold = false;
    bool reference = false; // the rent box is the reference one (light cyan)
};

// Line i (0-19) of the grid, showing row table.topRow + i, without its rent.
// A line past the end of the table is empty.
GridLine gridLine(const IndexTable& table, int line, const QLocale& locale);

} // namespace velmaris
