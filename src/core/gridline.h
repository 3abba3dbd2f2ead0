// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "numberstyle.h"

#include <QString>

namespace velmaris {

// What the grid shows of the table: the window's, never the table's.
struct GridView {
    int topRow = 0;        // row shown on the first grid line
    int referenceRow = -1; // row whose rent the user typed; -1 = none

    bool operator==(const GridView&) const = default;
};

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

// Line i (0-19) of the grid, showing row view.topRow + i, without its rent.
// A line past the end of the table is empty.
GridLine gridLine(const IndexTable& table, const GridView& view, int line,
                  const NumberStyle& style);

} // namespace velmaris
