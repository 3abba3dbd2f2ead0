// SPDX-License-Identifier: GPL-3.0-or-later
#include "leasedate.h"

#include <algorithm>

namespace velmaris {

int findLeaseRow(const IndexTable& table, const QDate& leaseDate)
{
    if (!leaseDate.isValid())
        return -1;
    for (int row = 0; row < int(table.rows.size()); ++row) {
        const QDate& published = table.rows[row].published;
        if (published.isValid() && published <= leaseDate)
            return row;
    }
    return -1;
}

int topRowShowing(int row)
{
    return std::max(0, row - (kGridLines - 1));
}

} // namespace velmaris
