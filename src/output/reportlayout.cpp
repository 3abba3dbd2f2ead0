#include "reportlayout.h"

namespace velmaris {

namespace {

// Room for rounding when lines are added up in centimetres.
constexpr double kTolerance = 1e-9;

QString padded(const QString& number)
{
    // One blank where a plus sign would stand, one after.
    return number.isEmpty() ? number : u' ' + number + u' ';
}

} // namespace

std::array<double, kReportColumns> reportColumnStarts(double printableWidth)
{
    const double w = (printableWidth - kReportLeftMargin - kReportRightMargin) / kReportColumns;
    std::array<double, kReportColumns> starts{};
    for (int k = 2; k <= kReportColumns; ++k)
        starts[std::size_t(k - 1)] = kReportLeftMargin + (k - 1) * w;
    return starts;
}

std::vector<ReportCells> reportLines(const ReportRows& rows)
{
    std::vector<ReportCells> lines;
    lines.reserve(rows.rows.size() + kHeadingLines + 2);
    lines.insert(lines.end(), rows.headings.begin(), rows.headings.end());
    lines.emplace_back();
    for (ReportCells cells : rows.rows) {
        for (int c = 0; c < kReportColumns; ++c)
            if (isNumberColumn(c))
                cells[std::size_t(c)] = padded(cells[std::size_t(c)]);
        lines.push_back(std::move(cells));
    }
    lines.emplace_back();
    return lines;
}

ReportLayout layoutReport(const ReportRows& rows, const ReportPage& page)
{
    const std::array<double, kReportColumns> starts = reportColumnStarts(page.width);
    ReportLayout layout;
    int pageIndex = 0;
    double y = 0;
    for (const ReportCells& line : reportLines(rows)) {
        // A page always takes at least one line, however tall the font.
        if (y > 0 && y + page.lineHeight > page.height + kTolerance) {
            ++pageIndex;
            y = 0;
        }
        for (int c = 0; c < kReportColumns; ++c) {
            const QString& text = line[std::size_t(c)];
            if (!text.isEmpty())
                layout.texts.push_back({pageIndex, starts[std::size_t(c)], y, text});
        }
        y += page.lineHeight;
    }
    // The closing empty line alone does not earn a blank sheet.
    layout.pages = layout.texts.empty() ? 1 : layout.texts.back().page + 1;
    return layout;
}

} // namespace velmaris
