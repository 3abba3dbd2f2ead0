#pragma once

#include "reportrows.h"

#include <QString>

#include <array>
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

// One text at its place: x from the left of the printable area, y the top of
// its line from the top of the printable area, both in centimetres.
struct PlacedText {
    int page = 0;
    double x = 0;
    double y = 0;
    QString text;
};

struct ReportLayout {
    std::vector<PlacedText> texts; // in printing order, page by page
    int pages = 1;
};

// Left edge of each column: the first at 0, column k (1-based) at 1 + (k - 1) * w
// where w is a sixth of the width between the margins.
std::array<double, kReportColumns> reportColumnStarts(double printableWidth);

// The report's lines as they print: the headings, an empty line, the rows with
// their numbers padded by one blank on each side, an empty line.
std::vector<ReportCells> reportLines(const ReportRows& rows);

// Where every text of the report goes. Lines follow one another at the line
// height; a line that would pass the bottom starts a new page, at its top. The
// headings are not repeated. Empty cells place nothing.
ReportLayout layoutReport(const ReportRows& rows, const ReportPage& page);

} // namespace velmaris
