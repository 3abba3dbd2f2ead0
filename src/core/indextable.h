// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "quarter.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <vector>

namespace velmaris {

// One quarter of the index file.
struct IndexRow {
    Quarter quarter;
    qint16 icc = 0;         // construction cost index; 0 = none
    double irl = 0;         // rent reference index, mainland France; 0 = none
    double irlCorse = 0;    // the same for Corsica, published from the 3rd quarter 2022; 0 = none
    double irlOutreMer = 0; // the same for the overseas departments; 0 = none
    double average = 0;     // mean of this ICC and the three older ones; 0 = none
    QDate published;        // publication in the Journal Officiel

    QString label() const { return quarter.label(); }
};

// The newest quarter of rows kept newest first; invalid when there are none.
inline Quarter newestQuarter(const std::vector<IndexRow>& rows)
{
    return rows.empty() ? Quarter() : rows.front().quarter;
}

// The whole program works on one of these, owned by the main window: figures
// only; what the grid shows of them is the window's (GridView).
struct IndexTable {
    std::vector<IndexRow> rows; // newest quarter first, one row per quarter, no gap
    QDateTime fileDate;         // modification time of the file when it was read
    qint64 fileSize = -1;       // its size then, -1 when it was not read
    QByteArray fileBytes;       // what was read, to tell later whether the file changed
    QString filePath;           // full path of the index file

    // Index of the last row, -1 for an empty table.
    int lastRow() const { return int(rows.size()) - 1; }
    bool hasRow(int r) const { return r >= 0 && r < int(rows.size()); }
    // Largest top row the scroll bar allows (may be negative on a short table).
    int scrollMaximum() const { return lastRow() - 19; }

    // The row of a quarter, -1 when the table does not hold it. Rows are
    // consecutive quarters, so this is a subtraction.
    int rowOf(Quarter quarter) const
    {
        if (rows.empty() || !quarter.isValid())
            return -1;
        const int r = rows.front().quarter.quartersSince(quarter);
        return hasRow(r) ? r : -1;
    }
    const IndexRow* find(Quarter quarter) const
    {
        const int r = rowOf(quarter);
        return r < 0 ? nullptr : &rows[std::size_t(r)];
    }
    Quarter newestQuarter() const { return velmaris::newestQuarter(rows); }
    Quarter oldestQuarter() const { return rows.empty() ? Quarter() : rows.back().quarter; }
};

// Number of lines in the grid.
inline constexpr int kGridLines = 20;

// Largest file the table accepts: row numbers stay 16-bit.
inline constexpr int kMaxRows = 32000;

} // namespace velmaris
