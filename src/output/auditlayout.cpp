// SPDX-License-Identifier: GPL-3.0-or-later
#include "auditlayout.h"

#include <algorithm>

namespace velmaris {

namespace {

constexpr double kIndent = 0.8;         // an explanation under its finding
constexpr double kColumnGap = 0.25;     // between two cells of a row
constexpr double kRowPadding = 0.08;    // below every row of a table
constexpr double kTallRowPadding = 0.2; // below a row of several lines
constexpr double kHeadingSpace = 0.4;   // above a heading
constexpr double kTitleSpace = 0.3;     // below the title
constexpr double kFooterSpace = 0.3;    // between the text and the footer
constexpr double kTolerance = 1e-9;

// One block measured: its lines relative to the top of the block.
struct Piece {
    std::vector<AuditPlaced> lines; // page 0, y from the top of the piece
    std::vector<AuditRule> rules;
    double height = 0;
    double spaceBefore = 0;  // dropped at the top of a page
    bool splittable = false; // a paragraph, whose lines may go on to the next page
};

class Layouter {
public:
    Layouter(const AuditReport& report, const AuditMetrics& metrics)
        : m_report(report)
        , m_m(metrics)
        , m_bottom(metrics.height - metrics.lineHeight(AuditStyle::Small) - kFooterSpace)
    {
    }

    Piece measure(const AuditBlock& block, bool ruleAbove = false) const
    {
        return block.kind == AuditBlock::Kind::Row ? measureRow(block, ruleAbove)
                                                   : measureParagraph(block);
    }

    AuditLayout run()
    {
        const std::vector<AuditBlock>& blocks = m_report.blocks;
        const AuditBlock* headings = nullptr; // of the table running now
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const AuditBlock& block = blocks[i];
            if (block.kind == AuditBlock::Kind::Paragraph)
                headings = nullptr;
            else if (block.headings)
                headings = &block;
            else if (headings && headings->table != block.table)
                headings = nullptr;
            // A rule above the totals, where they follow the rows.
            const bool ruleAbove = block.bold && !block.headings && i > 0
                                   && blocks[i - 1].kind == AuditBlock::Kind::Row
                                   && !blocks[i - 1].bold;
            Piece piece = measure(block, ruleAbove);
            double needed = piece.height;
            // A heading, or a table's headings, stays with what follows it.
            const bool keepsWithNext = block.headings
                                       || (block.kind == AuditBlock::Kind::Paragraph
                                           && (block.style == AuditStyle::Heading));
            if (keepsWithNext && i + 1 < blocks.size()) {
                needed += measure(blocks[i + 1]).height;
                if (block.style == AuditStyle::Heading && i + 2 < blocks.size()
                    && blocks[i + 1].headings)
                    needed += measure(blocks[i + 2]).height;
            }
            if (m_y > 0 && m_y + piece.spaceBefore + needed > m_bottom + kTolerance) {
                newPage();
                if (headings && !block.headings)
                    place(measure(*headings));
            }
            place(piece);
        }
        m_layout.pages = m_page + 1;
        addFooters();
        return std::move(m_layout);
    }

private:
    double lineHeight(AuditStyle style) const { return m_m.lineHeight(style); }

    std::function<double(const QString&)> measurer(AuditStyle style, bool bold) const
    {
        return
            [this, style, bold](const QString& text) { return m_m.textWidth(style, bold, text); };
    }

    Piece measureParagraph(const AuditBlock& block) const
    {
        Piece piece;
        piece.splittable = true;
        const bool bold = block.style == AuditStyle::Title || block.style == AuditStyle::Heading;
        const double x = block.indented ? kIndent : 0;
        const double h = lineHeight(block.style);
        for (const QString& line :
             wrapText(block.text, m_m.width - x, measurer(block.style, bold))) {
            piece.lines.push_back({0, x, piece.height, block.style, bold, line});
            piece.height += h;
        }
        if (block.style == AuditStyle::Title)
            piece.height += kTitleSpace;
        if (block.style == AuditStyle::Heading)
            piece.spaceBefore = kHeadingSpace;
        return piece;
    }

    Piece measureRow(const AuditBlock& block, bool ruleAbove) const
    {
        Piece piece;
        const std::vector<AuditColumn>& columns = m_report.tables.at(std::size_t(block.table));
        const double h = lineHeight(block.style);
        double x = 0;
        double height = 0;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const double full = columns[c].share * m_m.width;
            const double width = full - kColumnGap;
            const QString text =
                c < std::size_t(block.cells.size()) ? block.cells[qsizetype(c)] : QString();
            const auto measureText = measurer(block.style, block.bold);
            double y = 0;
            for (const QString& line : wrapText(text, width, measureText)) {
                const double at = columns[c].right ? x + width - measureText(line) : x;
                piece.lines.push_back({0, at, y, block.style, block.bold, line});
                y += h;
            }
            height = std::max(height, y);
            x += full;
        }
        const double padding = height > h + kTolerance ? kTallRowPadding : kRowPadding;
        piece.height = std::max(height, h) + padding;
        const double right = x - kColumnGap;
        if (block.headings)
            piece.rules.push_back({0, 0, right, piece.height - padding / 2});
        if (ruleAbove)
            piece.rules.push_back({0, 0, right, 0});
        return piece;
    }

    void place(const Piece& piece)
    {
        if (m_y > 0)
            m_y += piece.spaceBefore;
        // Only a paragraph taller than a whole page goes on line by line.
        double shift = 0;
        for (AuditPlaced line : piece.lines) {
            const double h = lineHeight(line.style);
            const double top = m_y + shift + line.y;
            if (piece.splittable && top > 0 && top + h > m_bottom + kTolerance) {
                shift = -line.y;
                newPage();
            }
            line.page = m_page;
            line.y += m_y + shift;
            m_layout.texts.push_back(std::move(line));
        }
        m_y += shift;
        for (AuditRule rule : piece.rules) {
            rule.page = m_page;
            rule.y += m_y;
            m_layout.rules.push_back(rule);
        }
        m_y += piece.height;
    }

    void newPage()
    {
        ++m_page;
        m_y = 0;
    }

    void addFooters()
    {
        const auto measureText = measurer(AuditStyle::Small, false);
        const double y = m_m.height - lineHeight(AuditStyle::Small);
        for (int p = 0; p < m_layout.pages; ++p) {
            const QString number = QStringLiteral("page %1/%2").arg(p + 1).arg(m_layout.pages);
            m_layout.texts.push_back({p, 0, y, AuditStyle::Small, false, m_report.footer});
            m_layout.texts.push_back(
                {p, m_m.width - measureText(number), y, AuditStyle::Small, false, number});
        }
        std::stable_sort(
            m_layout.texts.begin(), m_layout.texts.end(),
            [](const AuditPlaced& a, const AuditPlaced& b) { return a.page < b.page; });
    }

    const AuditReport& m_report;
    const AuditMetrics& m_m;
    const double m_bottom; // lowest line end above the footer
    AuditLayout m_layout;
    int m_page = 0;
    double m_y = 0;
};

} // namespace

AuditLayout layoutAuditReport(const AuditReport& report, const AuditMetrics& metrics)
{
    return Layouter(report, metrics).run();
}

} // namespace velmaris
