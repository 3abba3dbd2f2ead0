// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "numberstyle.h"
#include "revision.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace velmaris {

// The printed report and the clipboard show the same six columns: quarter,
// ICC, four-quarter average, IRL, publication date, rent.
inline constexpr int kReportColumns = 6;
inline constexpr int kHeadingLines = 3;

using ReportCells = std::array<QString, kReportColumns>;

// What the printed table says under its title: the revision it shows and the
// day it was printed. Empty texts and invalid dates are left out.
struct ReportHeading {
    QString referenceQuarter; // "4e trimestre 2024"
    QString referenceRent;    // "850,00 €", the rent typed on that quarter
    QDate leaseDate;          // the lease date typed, if any
    QDate printed;
};

// What both outputs show, before each renders it its own way. Numbers are in
// the general format, without padding; an empty cell is an empty string.
struct ReportRows {
    std::array<ReportCells, kHeadingLines> headings;
    std::vector<ReportCells> rows; // table rows 0 to the reference row
    // The rent column as paper writes it, row by row: "1 234,56 €", "Loyer
    // 2025" or nothing. Left empty, paper prints the rows' own cells.
    std::vector<QString> paperRents;
    ReportHeading heading; // only paper shows it
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

// An amount as paper writes it: "1 234,56 €", blanks that never break, the
// style's decimal separator.
QString paperEuros(qint64 cents, const NumberStyle& style);

// The heading of the table reportRows() gives for the same revision, printed
// on `printed`: the grid's reference quarter, the rent typed there and the
// lease date the revision ran with. Nothing of the revision for a reference
// row the table does not hold.
ReportHeading reportHeading(const IndexTable& table, int referenceRow, const Schedule& schedule,
                            const QDate& printed, const NumberStyle& style);

// The printed table's title, "Révision du loyer", and the lines under it.
QString reportTitle();
QStringList reportHeadingLines(const ReportHeading& heading);

} // namespace velmaris
