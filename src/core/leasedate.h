// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"

#include <QDate>

namespace velmaris {

// The last quarter published at the lease date: the first row, newest first,
// whose publication date is on or before it. -1 when the lease is older than
// every publication (or the table is empty).
int findLeaseRow(const IndexTable& table, const QDate& leaseDate);

// The top row that shows this row on the grid's last line, or on its own line
// when it is among the first twenty.
int topRowShowing(int row);

} // namespace velmaris
