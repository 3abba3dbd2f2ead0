// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportlayout.h"

#include <algorithm>

namespace velmaris {

namespace {

// Room for rounding when lines are added up in centimetres.
constexpr double kTolerance = 1e-9;
// Blank kept between a text and the next column, in centimetres.
constexpr double kColumnGap = 0.15;
constexpr int kRentColumn = kReportColumns - 1;

QString padded(const QString& number)
{
    // One blank where a plus sign would stand, one after.
    return number.isEmpty() ? number : u' ' + number + u' ';
}

class Layouter {
public:
    Layouter(const ReportPage& page, const ReportTextWidth& textWidth)
        : m_page(page)
        , m_textWidth(textWidth)
        , m_starts(reportColumnStarts(page.width))
        , m_rentRight(page.width - kReportRightMargin)
        // The rows stop an empty line above the page number's line.
        , m_bottom(page.height - 2 * page.lineHeight)
    {
    }

    ReportLayout run(const ReportRows& rows)
    {
        place(0, reportTitle(), true);
        m_y += m_page.lineHeight;
        for (const QString& line : reportHeadingLines(rows.heading)) {
            place(0, line);
            m_y += m_page.lineHeight;
        }
        m_y += m_page.lineHeight;
        placeHeadings(rows);
        for (const ReportCells& line : reportLines(rows)) {
            // A page always takes at least one row, however tall the font.
            if (m_rowsHere > 0 && m_y + m_page.lineHeight > m_bottom + kTolerance) {
                ++m_pageIndex;
                m_y = 0;
                placeHeadings(rows);
            }
            placeCells(line);
            ++m_rowsHere;
        }
        m_layout.pages = m_pageIndex + 1;
        placeNumbers();
        // The numbers were placed last: each goes with its page.
        std::stable_sort(m_layout.texts.begin(), m_layout.texts.end(),
                         [](const PlacedText& a, const PlacedText& b) { return a.page < b.page; });
        return std::move(m_layout);
    }

private:
    double width(const QString& text, bool bold) const
    {
        return m_textWidth ? m_textWidth(text, bold) : 0;
    }

    // A text from x, or ending at x when `right`, in `room` at most.
    void place(double x, const QString& text, bool bold = false, double room = 0,
               bool right = false)
    {
        if (text.isEmpty())
            return;
        const double wide = width(text, bold);
        const double scale = room > 0 && wide > room ? room / wide : 1;
        const double at = right ? x - wide * scale : x;
        m_layout.texts.push_back({m_pageIndex, at, m_y, text, bold, scale});
    }

    void placeCells(const ReportCells& cells)
    {
        for (int c = 0; c < kRentColumn; ++c) {
            const double x = m_starts[std::size_t(c)];
            place(x, cells[std::size_t(c)], false, m_starts[std::size_t(c) + 1] - x - kColumnGap);
        }
        place(m_rentRight, cells[kRentColumn], false, m_rentRight - m_starts[kRentColumn], true);
        m_y += m_page.lineHeight;
    }

    void placeHeadings(const ReportRows& rows)
    {
        for (const ReportCells& heading : rows.headings)
            placeCells(heading);
        m_y += m_page.lineHeight;
        m_rowsHere = 0;
    }

    void placeNumbers()
    {
        const double y = std::max(m_page.height - m_page.lineHeight, 0.0);
        for (int p = 0; p < m_layout.pages; ++p) {
            m_pageIndex = p;
            m_y = y;
            place(m_rentRight, QStringLiteral("Page %1/%2").arg(p + 1).arg(m_layout.pages), false,
                  0, true);
        }
    }

    const ReportPage& m_page;
    const ReportTextWidth& m_textWidth;
    const std::array<double, kReportColumns> m_starts;
    const double m_rentRight;
    const double m_bottom;
    ReportLayout m_layout;
    int m_rowsHere = 0; // rows placed on the page begun
    int m_pageIndex = 0;
    double m_y = 0;
};

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
    const bool paperRents = rows.paperRents.size() == rows.rows.size();
    std::vector<ReportCells> lines;
    lines.reserve(rows.rows.size());
    for (std::size_t r = 0; r < rows.rows.size(); ++r) {
        ReportCells cells = rows.rows[r];
        for (int c = 0; c < kReportColumns; ++c)
            if (isNumberColumn(c))
                cells[std::size_t(c)] = padded(cells[std::size_t(c)]);
        if (paperRents)
            cells[kRentColumn] = rows.paperRents[r];
        lines.push_back(std::move(cells));
    }
    return lines;
}

ReportLayout layoutReport(const ReportRows& rows, const ReportPage& page,
                          const ReportTextWidth& textWidth)
{
    return Layouter(page, textWidth).run(rows);
}

} // namespace velmaris
