// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reportrows.h"

#include <QString>

#include <array>
#include <functional>
#include <vector>

namespace velmaris {

// Left and right margins of the report, in centimetres.
inline constexpr double kReportLeftMargin = 1.0;
inline constexpr double kReportRightMargin = 1.0;

// The printable area of a page and the height of one line, all in centimetres.
struct ReportPage {
    double width = 0;
    double height = 0;
    double lineHeight = 0;
};

// How wide a text prints, in centimetres (bold: the title).
using ReportTextWidth = std::function<double(const QString& text, bool bold)>;

// One text at its place: x from the left of the printable area, y the top of
// its line from the top of the printable area, both in centimetres.
struct PlacedText {
    int page = 0;
    double x = 0;
    double y = 0;
    QString text;
    bool bold = false;
    double scale = 1; // a text too wide for its column prints that much smaller
};

struct ReportLayout {
    std::vector<PlacedText> texts; // in printing order, page by page
    int pages = 1;
};

// Left edge of each column: the first at 0, column k (1-based) at 1 + (k - 1) * w
// where w is a sixth of the width between the margins.
std::array<double, kReportColumns> reportColumnStarts(double printableWidth);

// The table's rows as they print: their numbers padded by one blank on each
// side, the rent as paper writes it.
std::vector<ReportCells> reportLines(const ReportRows& rows);

// Where every text of the report goes. The first page starts with the title
// in bold and the heading's lines, then an empty line; every page has the
// column headings, an empty line, then rows at the line height down to an
// empty line above its last line, where "Page n/N" stands against the right
// margin. The rent column stands against the right margin too. A text wider
// than its column is set smaller to fit it. Empty cells place nothing.
// Without textWidth every text measures 0.
ReportLayout layoutReport(const ReportRows& rows, const ReportPage& page,
                          const ReportTextWidth& textWidth = {});

} // namespace velmaris
