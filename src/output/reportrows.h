#pragma once

#include "indextable.h"
#include "numberstyle.h"
#include "revision.h"

#include <QString>

#include <array>
#include <vector>

namespace velmaris {

// The printed report and the clipboard show the same six columns: quarter,
// ICC, four-quarter average, IRL, publication date, rent.
inline constexpr int kReportColumns = 6;
inline constexpr int kHeadingLines = 3;

using ReportCells = std::array<QString, kReportColumns>;

// What both outputs show, before each renders it its own way. Numbers are in
// the general format, without padding; an empty cell is an empty string.
struct ReportRows {
    std::array<ReportCells, kHeadingLines> headings;
    std::vector<ReportCells> rows; // table rows 0 to the reference row
};

// Columns holding numbers (ICC, average, IRL): the report pads them with a blank
// on each side.
inline constexpr bool isNumberColumn(int column)
{
    return column >= 1 && column <= 3;
}

// The three heading lines; the rent heading says "réévalué)" or "augmenté)".
std::array<ReportCells, kHeadingLines> reportHeadings(bool reeval);

// The cells of one table row, with its rent text. A number that is exactly 0
// gives an empty cell.
ReportCells reportCells(const IndexRow& row, const QString& rent, const NumberStyle& style);

// Headings and the rows from the newest quarter down to referenceRow, the
// grid's reference (none when it is -1; a reference row past the end stops at
// the last row of the table).
ReportRows reportRows(const IndexTable& table, int referenceRow, const Schedule& schedule,
                      bool reeval, const NumberStyle& style);

} // namespace velmaris
