#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <vector>

namespace velmaris {

// One quarter of the index file.
struct IndexRow {
    QString label;      // "2è tr.2005"
    qint16 icc = 0;     // construction cost index; 0 = none
    double irl = 0;     // rent reference index; 0 = none
    double average = 0; // mean of this ICC and the three older ones; 0 = none
    QDate published;    // publication in the Journal Officiel
    QString rent;       // formatted amount, year caption or empty; written by the revision
};

// The whole program works on one of these, owned by the main window.
struct IndexTable {
    std::vector<IndexRow> rows; // newest quarter first
    int topRow = 0;             // row shown on the first grid line
    int referenceRow = -1;      // row whose rent the user typed; -1 = none
    QDateTime fileDate;         // modification time of the file when it was read
    QString filePath;           // full path of the index file

    // Index of the last row, -1 for an empty table.
    int lastRow() const { return int(rows.size()) - 1; }
    bool hasRow(int r) const { return r >= 0 && r < int(rows.size()); }
    // Largest top row the scroll bar allows (may be negative on a short table).
    int scrollMaximum() const { return lastRow() - 19; }
};

// Number of lines in the grid.
inline constexpr int kGridLines = 20;

// Largest file the table accepts: row numbers stay 16-bit.
inline constexpr int kMaxRows = 32000;

} // namespace velmaris
