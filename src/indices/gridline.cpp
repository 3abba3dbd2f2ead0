#include "gridline.h"

#include "dates.h"
#include "numbers.h"

namespace velmaris {

GridLine gridLine(const IndexTable& table, int line, const QLocale& locale)
{
    GridLine g;
    const int r = table.topRow + line;
    if (!table.hasRow(r))
        return g;
    const IndexRow& row = table.rows[std::size_t(r)];

    g.label = row.label;
    if (row.icc != 0)
        g.icc = QString::number(row.icc);
    // Averages matter from 1995 on, except for the second quarter of 2005.
    g.averageBold = row.label.right(4) > u"1994" && row.label != u"2è tr.2005";
    if (row.average != 0) {
        g.average = formatGeneral(row.average, locale);
        g.irlBold = false;
    } else {
        g.irlBold = true; // a row without an ICC average puts the weight on its IRL
    }
    if (row.irl > 0)
        g.irl = formatGeneral(row.irl, locale);
    g.date = formatShortDate(row.published, locale);
    g.reference = r == table.referenceRow;
    g.rent = row.rent;
    return g;
}

} // namespace velmaris
