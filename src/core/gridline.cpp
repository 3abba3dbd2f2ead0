// SPDX-License-Identifier: GPL-3.0-or-later
#include "gridline.h"

#include "dates.h"
#include "indexseries.h"
#include "numbers.h"

namespace velmaris {

GridLine gridLine(const IndexTable& table, const GridView& view, int line, const NumberStyle& style)
{
    GridLine g;
    const int r = view.topRow + line;
    if (!table.hasRow(r))
        return g;
    const IndexRow& row = table.rows[std::size_t(r)];

    g.quarter = row.quarter;
    g.label = row.label();
    if (row.icc != 0)
        g.icc = QString::number(row.icc);
    g.averageBold = averageMatters(row.quarter);
    if (row.average != 0) {
        g.average = formatGeneral(row.average, style);
        g.irlBold = false;
    } else {
        g.irlBold = true; // a row without an ICC average puts the weight on its IRL
    }
    if (row.irl > 0)
        g.irl = formatGeneral(row.irl, style);
    g.date = formatShortDate(row.published, style);
    g.reference = r == view.referenceRow;
    return g;
}

} // namespace velmaris
