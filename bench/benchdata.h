// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "revision.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

namespace velmaris::bench {

// The index file the program ships with, as bytes and as its path.
QString shippedPath();
QByteArray shippedBytes();

// An index file of this many quarters in the shipped file's layout: IRL alone
// down to the second quarter of 2005, ICC and IRL from there back in time.
QByteArray syntheticBytes(int rows);
// The same written to a temporary file that lives until the program ends.
QString syntheticPath(int rows);

// The oldest row whose revision runs to the newest quarter: the longest run.
// (The oldest quarters of a file have no four-quarter average, so a rent
// that follows the average cannot start there.)
int longestRunRow(const IndexTable& table);

// A loaded table, with the rents revised along the longest run when asked.
struct Revised {
    IndexTable table;
    int referenceRow = -1; // the grid's reference row
    Schedule schedule;
};
Revised loadedTable(const QByteArray& bytes, bool revised);

// 850,00 at this row, as the rent box asks for it.
RevisionRequest requestAt(const IndexTable& table, int row);

// French (France), what the tests and the program on a non-French system use.
const QLocale& french();

inline constexpr int kSyntheticRows = 2000;

} // namespace velmaris::bench
