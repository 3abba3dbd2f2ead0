// SPDX-License-Identifier: GPL-3.0-or-later
#include "letterlayout.h"

#include <algorithm>

namespace velmaris {

namespace {

// Room for rounding when heights are added up in centimetres.
constexpr double kTolerance = 1e-9;

// Gaps between the blocks, in lines.
constexpr double kParagraphGap = 0.4;
constexpr double kBlockGap = 0.8;
// Between a figure's label and its amount, and the figures' indent, in centimetres.
constexpr double kFigureGap = 0.5;
constexpr double kFigureIndent = 0.5;

// A figure's label and amount as they wrap: side by side, or the amount under
// its label when it is too wide to share the line.
struct FigureLines {
    QStringList label;
    QStringList value;
    bool apart = false;
    int count() const { return int(label.size() + (apart ? value.size() : 0)); }
};

class Builder {
public:
    Builder(LetterLayout& out, const LetterMetrics& metrics, const LetterGeometry& geometry)
        : m_out(out)
        , m_metrics(metrics)
        , m_geometry(geometry)
    {
    }

    double y() const { return m_y; }
    // Where the body stops: the bottom margin, or the top of the foot.
    void setBottomLimit(double limit) { m_bottomLimit = limit; }
    double lineHeight() const { return m_metrics.lineHeight; }
    double textWidth() const { return m_geometry.pageWidth - m_geometry.left - m_geometry.right; }

    void newPage()
    {
        m_page = m_out.pages++;
        m_y = m_geometry.top;
    }
    void moveTo(double y) { m_y = y; }
    void skip(double lines)
    {
        // A gap never opens a page.
        m_y = std::min(m_y + lines * lineHeight(), m_bottomLimit);
    }

    // Starts a new page unless `height` fits below, or the page is still empty.
    void keep(double height)
    {
        if (m_y > m_geometry.top + kTolerance && m_y + height > m_bottomLimit + kTolerance)
            newPage();
    }

    QStringList wrap(const QString& text, double width, bool bold) const
    {
        return wrapText(text, width, [&](const QString& s) { return measure(s, bold); });
    }
    double measure(const QString& text, bool bold) const { return m_metrics.width(text, bold); }

    // Lines one under the other from x, each `width` wide at most.
    void lines(const QStringList& texts, double x, double width, bool bold = false)
    {
        for (const QString& text : texts)
            for (const QString& line : wrap(text, width, bold))
                put(x, line, bold);
    }

    void put(double x, const QString& text, bool bold)
    {
        keep(lineHeight());
        m_out.lines.push_back({m_page, x, m_y, measure(text, bold), text, bold});
        m_y += lineHeight();
    }

    // A text on the line just written, against the right margin.
    void putRight(const QString& text, double lineTop)
    {
        const double width = measure(text, false);
        m_out.lines.push_back(
            {m_page, m_geometry.pageWidth - m_geometry.right - width, lineTop, width, text, false});
    }

    // The foot of every page in small type, its last line `mentionsBottom`
    // above the edge: the page's number against the right margin when
    // `numbered` and the letter runs on, then the mentions.
    void putFoot(const QStringList& mentions, bool numbered, const QString& reference)
    {
        numbered = numbered && m_out.pages > 1;
        for (int page = 0; page < m_out.pages; ++page) {
            double y = m_geometry.pageHeight - m_geometry.mentionsBottom
                       - double(mentions.size() + (numbered ? 1 : 0)) * smallLineHeight();
            if (numbered) {
                // One pass of arg(): a "%1" in the reference stays as typed.
                const QString at = QString::number(page + 1);
                const QString of = QString::number(m_out.pages);
                const QString ref = reference.trimmed();
                const QString number =
                    ref.isEmpty() ? QStringLiteral("Page %1/%2").arg(at, of)
                                  : QStringLiteral("Bail %1 — page %2/%3").arg(ref, at, of);
                const double width = smallWidth(number);
                m_out.lines.push_back({page, m_geometry.pageWidth - m_geometry.right - width, y,
                                       width, number, false, true});
                y += smallLineHeight();
            }
            for (const QString& line : mentions) {
                m_out.lines.push_back(
                    {page, m_geometry.left, y, smallWidth(line), line, false, true});
                y += smallLineHeight();
            }
        }
    }
    double smallLineHeight() const
    {
        return m_metrics.smallLineHeight > 0 ? m_metrics.smallLineHeight
                                             : m_metrics.lineHeight * 0.8;
    }
    double smallWidth(const QString& text) const
    {
        return m_metrics.smallWidth ? m_metrics.smallWidth(text) : measure(text, false) * 0.8;
    }
    QStringList wrapSmall(const QString& text, double width) const
    {
        return wrapText(text, width, [&](const QString& s) { return smallWidth(s); });
    }

private:
    LetterLayout& m_out;
    const LetterMetrics& m_metrics;
    const LetterGeometry& m_geometry;
    int m_page = -1;
    double m_y = 0;
    double m_bottomLimit = m_geometry.pageHeight - m_geometry.bottom;
};

FigureLines figureLines(const Builder& b, const LetterFigure& figure)
{
    const double room = b.textWidth() - kFigureIndent;
    const double labelWidth = room - b.measure(figure.value, false) - kFigureGap;
    FigureLines lines;
    lines.apart = labelWidth < room / 2;
    lines.label = b.wrap(figure.label, lines.apart ? room : labelWidth, false);
    lines.value = lines.apart ? b.wrap(figure.value, room, false) : QStringList{figure.value};
    return lines;
}

// How tall a block of the body prints, in centimetres, its gap above included.
double blockHeight(const Builder& b, const LetterBlock& block)
{
    int lines = 0;
    if (block.figures.empty())
        lines = int(b.wrap(block.text, b.textWidth(), false).size());
    for (const LetterFigure& figure : block.figures)
        lines += figureLines(b, figure).count();
    return b.lineHeight() * (double(lines) + kParagraphGap);
}

void layoutFigures(Builder& b, const std::vector<LetterFigure>& figures, const LetterGeometry& g)
{
    const double x = g.left + kFigureIndent;
    for (const LetterFigure& figure : figures) {
        const FigureLines lines = figureLines(b, figure);
        b.keep(b.lineHeight() * double(lines.count()));
        const double top = b.y();
        for (const QString& line : lines.label)
            b.put(x, line, false);
        if (!lines.apart) {
            b.putRight(figure.value, top);
            continue;
        }
        for (const QString& line : lines.value)
            b.put(g.pageWidth - g.right - b.measure(line, false), line, false);
    }
}

// A line of the sender's block: as wide as the space left of the recipient's
// column above the window zone, narrow enough to keep left of it lower down.
void senderLines(Builder& b, const QString& text, bool bold, const LetterGeometry& g)
{
    QStringList lines = b.wrap(text, g.recipientLeft - g.left - kFigureGap, bold);
    while (!lines.isEmpty() && b.y() + b.lineHeight() <= g.windowTop + kTolerance)
        b.put(g.left, lines.takeFirst(), bold);
    if (!lines.isEmpty())
        b.lines({lines.join(u' ')}, g.left, g.windowLeft - g.left - kFigureGap, bold);
}

// One letter from the top of its first page; `numbered` keeps room at the foot
// of every page for its number.
void layoutLetter(Builder& b, const RevisionLetter& letter, const LetterGeometry& g, bool numbered)
{
    QStringList mentions;
    for (const QString& mention : letter.mentions)
        mentions << b.wrapSmall(mention, b.textWidth());
    const qsizetype footLines = mentions.size() + (numbered ? 1 : 0);
    const double bodyBottom = g.pageHeight - g.bottom;
    const double footTop =
        g.pageHeight - g.mentionsBottom - double(footLines + 1) * b.smallLineHeight();
    b.setBottomLimit(footLines == 0 ? bodyBottom : std::min(bodyBottom, footTop));

    b.newPage();
    if (!letter.sender.isEmpty()) {
        senderLines(b, letter.sender.first(), true, g);
        for (const QString& line : letter.sender.mid(1))
            senderLines(b, line, false, g);
    }
    if (!letter.onBehalfOf.isEmpty())
        senderLines(b, letter.onBehalfOf, false, g);
    const double senderBottom = b.y();
    // The recipient keeps its place in the window, the date its own under the
    // window zone, beside whatever the sender still has to say.
    const double recipientWidth = g.pageWidth - g.right - g.recipientLeft;
    b.moveTo(g.recipientTop);
    b.lines(letter.recipient, g.recipientLeft, recipientWidth);
    b.moveTo(std::max(g.dateTop, b.y() + b.lineHeight()));
    b.lines({letter.placeAndDate}, g.recipientLeft, recipientWidth);
    b.moveTo(std::max(b.y(), senderBottom));
    b.skip(kBlockGap);
    if (!letter.delivery.isEmpty())
        b.lines({letter.delivery}, g.left, b.textWidth(), true);
    b.lines({letter.subject}, g.left, b.textWidth(), true);
    b.lines({letter.subjectDetail}, g.left, b.textWidth());
    b.skip(kBlockGap);
    b.lines({letter.salutation}, g.left, b.textWidth());

    // The closing and the signature stay together, with room to sign, and
    // take the last paragraph along rather than go over alone.
    const QStringList closing = b.wrap(letter.closing, b.textWidth(), false);
    const QStringList signature = b.wrap(letter.signature, recipientWidth, false);
    const double closingHeight = b.lineHeight() * double(closing.size() + signature.size())
                                 + g.signatureRoom + b.lineHeight() * kParagraphGap;
    for (std::size_t i = 0; i < letter.body.size(); ++i) {
        const LetterBlock& block = letter.body[i];
        if (i + 1 == letter.body.size())
            b.keep(blockHeight(b, block) + closingHeight);
        b.skip(kParagraphGap);
        if (block.figures.empty())
            b.lines({block.text}, g.left, b.textWidth());
        else
            layoutFigures(b, block.figures, g);
    }

    b.skip(kParagraphGap);
    b.keep(closingHeight - b.lineHeight() * kParagraphGap);
    for (const QString& line : closing)
        b.put(g.left, line, false);
    b.moveTo(b.y() + g.signatureRoom);
    for (const QString& line : signature)
        b.put(g.recipientLeft, line, false);
    b.putFoot(mentions, numbered, letter.reference);
}

} // namespace

LetterLayout layoutLetters(const std::vector<RevisionLetter>& letters, const LetterMetrics& metrics,
                           const LetterGeometry& geometry)
{
    LetterLayout layout;
    for (const RevisionLetter& letter : letters) {
        // Laid out as one page first; a letter that runs on is laid out again
        // with room for its page numbers.
        LetterLayout one;
        for (const bool numbered : {false, true}) {
            one = {};
            Builder builder(one, metrics, geometry);
            layoutLetter(builder, letter, geometry, numbered);
            if (one.pages <= 1)
                break;
        }
        // The foot was laid out last: each line goes with its page.
        std::stable_sort(one.lines.begin(), one.lines.end(),
                         [](const LetterLine& a, const LetterLine& b) { return a.page < b.page; });
        layout.firstPages.push_back(layout.pages);
        for (LetterLine& line : one.lines) {
            line.page += layout.pages;
            layout.lines.push_back(std::move(line));
        }
        layout.pages += one.pages;
    }
    return layout;
}

} // namespace velmaris
