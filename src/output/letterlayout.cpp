#include "letterlayout.h"

namespace velmaris {

namespace {

// Room for rounding when heights are added up in centimetres.
constexpr double kTolerance = 1e-9;

// Gaps between the blocks, in lines.
constexpr double kParagraphGap = 0.6;
constexpr double kBlockGap = 1.5;
// Between a figure's label and its amount, and the figures' indent, in centimetres.
constexpr double kFigureGap = 0.5;
constexpr double kFigureIndent = 0.5;
// Left free under the closing for the handwritten signature, in centimetres.
constexpr double kSignatureRoom = 2.0;

class Builder {
public:
    Builder(LetterLayout& out, const LetterMetrics& metrics, const LetterGeometry& geometry)
        : m_out(out)
        , m_metrics(metrics)
        , m_geometry(geometry)
    {
    }

    double y() const { return m_y; }
    // Where the body stops: the bottom margin, or the mentions' top.
    double bottomLimit() const { return m_bottomLimit; }
    void setBottomLimit(double limit) { m_bottomLimit = limit; }
    double lineHeight() const { return m_metrics.lineHeight; }
    double textWidth() const { return m_geometry.pageWidth - m_geometry.left - m_geometry.right; }

    int page() const { return m_page; }
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

    // The mentions in small type, the last line at the foot of each page of
    // the letter begun at `firstPage`.
    void putFoot(const QStringList& lines, int firstPage)
    {
        for (int page = firstPage; page < m_out.pages; ++page) {
            double y = m_geometry.pageHeight - m_geometry.mentionsBottom
                       - double(lines.size()) * smallLineHeight();
            for (const QString& line : lines) {
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

    // A text on the line just written, against the right margin.
    void putRight(const QString& text, double lineTop)
    {
        const double width = measure(text, false);
        m_out.lines.push_back(
            {m_page, m_geometry.pageWidth - m_geometry.right - width, lineTop, width, text, false});
    }

private:
    LetterLayout& m_out;
    const LetterMetrics& m_metrics;
    const LetterGeometry& m_geometry;
    int m_page = -1;
    double m_y = 0;
    double m_bottomLimit = m_geometry.pageHeight - m_geometry.bottom;
};

void layoutFigures(Builder& b, const std::vector<LetterFigure>& figures, const LetterGeometry& g)
{
    const double x = g.left + kFigureIndent;
    const double room = b.textWidth() - kFigureIndent;
    for (const LetterFigure& figure : figures) {
        const double valueWidth = b.measure(figure.value, false);
        const double labelWidth = room - valueWidth - kFigureGap;
        // An amount too wide to share its line goes under its label.
        const bool apart = labelWidth < room / 2;
        const QStringList label = b.wrap(figure.label, apart ? room : labelWidth, false);
        const QStringList value =
            apart ? b.wrap(figure.value, room, false) : QStringList{figure.value};
        b.keep(b.lineHeight() * double(label.size() + (apart ? value.size() : 0)));
        const double top = b.y();
        for (const QString& line : label)
            b.put(x, line, false);
        if (!apart) {
            b.putRight(figure.value, top);
            continue;
        }
        for (const QString& line : value)
            b.put(g.pageWidth - g.right - b.measure(line, false), line, false);
    }
}

void layoutLetter(Builder& b, const RevisionLetter& letter, const LetterGeometry& g)
{
    // The mentions' room is kept at the foot of every page of the letter.
    QStringList mentions;
    for (const QString& mention : letter.mentions)
        mentions << b.wrapSmall(mention, b.textWidth());
    const double bodyBottom = g.pageHeight - g.bottom;
    const double mentionsTop =
        g.pageHeight - g.mentionsBottom - double(mentions.size() + 1) * b.smallLineHeight();
    b.setBottomLimit(mentions.isEmpty() ? bodyBottom : std::min(bodyBottom, mentionsTop));

    b.newPage();
    const int firstPage = b.page();
    const double senderWidth = g.recipientLeft - g.left - kFigureGap;
    const double recipientWidth = g.pageWidth - g.right - g.recipientLeft;
    if (!letter.sender.isEmpty()) {
        b.lines({letter.sender.first()}, g.left, senderWidth, true);
        b.lines(letter.sender.mid(1), g.left, senderWidth);
    }
    // Who the agency writes for, under its own address.
    if (!letter.onBehalfOf.isEmpty())
        b.lines({letter.onBehalfOf}, g.left, senderWidth);
    // A long sender block pushes the recipient down rather than under it.
    b.moveTo(std::max(g.recipientTop, b.y() + b.lineHeight()));
    b.lines(letter.recipient, g.recipientLeft, recipientWidth);
    b.skip(kBlockGap);
    b.lines({letter.placeAndDate}, g.recipientLeft, recipientWidth);
    b.skip(kBlockGap + 0.5);

    b.lines({letter.subject}, g.left, b.textWidth(), true);
    b.lines({letter.subjectDetail}, g.left, b.textWidth());
    b.skip(kBlockGap);
    b.lines({letter.salutation}, g.left, b.textWidth());
    for (const LetterBlock& block : letter.body) {
        b.skip(kParagraphGap);
        if (block.figures.empty())
            b.lines({block.text}, g.left, b.textWidth());
        else
            layoutFigures(b, block.figures, g);
    }

    // The closing and the signature stay together, with room to sign.
    b.skip(kParagraphGap);
    const QStringList closing = b.wrap(letter.closing, b.textWidth(), false);
    const QStringList signature = b.wrap(letter.signature, recipientWidth, false);
    b.keep(b.lineHeight() * (double(closing.size() + signature.size()) + 1) + kSignatureRoom);
    for (const QString& line : closing)
        b.put(g.left, line, false);
    b.skip(1);
    for (const QString& line : signature)
        b.put(g.recipientLeft, line, false);
    b.putFoot(mentions, firstPage);
}

} // namespace

LetterLayout layoutLetters(const std::vector<RevisionLetter>& letters, const LetterMetrics& metrics,
                           const LetterGeometry& geometry)
{
    LetterLayout layout;
    Builder builder(layout, metrics, geometry);
    for (const RevisionLetter& letter : letters) {
        layout.firstPages.push_back(layout.pages);
        layoutLetter(builder, letter, geometry);
    }
    return layout;
}

} // namespace velmaris
