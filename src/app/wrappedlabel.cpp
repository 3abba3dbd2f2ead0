#include "wrappedlabel.h"

#include <QEvent>
#include <QTextDocument>
#include <QTextFrame>

#include <cmath>

namespace velmaris {

WrappedLabel::WrappedLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setWordWrap(true);
}

WrappedLabel::~WrappedLabel() = default;

int WrappedLabel::heightForWidth(int width) const
{
    // setText() and setTextFormat() are not virtual: a new text is seen here.
    if (text() != m_answeredText || textFormat() != m_answeredFormat) {
        forget();
        m_answeredText = text();
        m_answeredFormat = textFormat();
    }
    for (const Answer& a : m_answers)
        if (a.width == width)
            return a.height;
    const int height = measuredHeight(width);
    m_answers[m_next] = Answer{width, height};
    m_next = (m_next + 1) % m_answers.size();
    return height;
}

int WrappedLabel::measuredHeight(int width) const
{
    // QLabel's own measure where the copy would not be exact: plain text, an
    // indent, a frame.
    if (textFormat() != Qt::RichText || indent() >= 0 || frameWidth() > 0)
        return QLabel::heightForWidth(width);
    if (!m_measure) {
        // The document as QLabel sets its own up: the label's font, its
        // alignment, word wrap, no margin round the text.
        m_measure = std::make_unique<QTextDocument>();
        m_measure->setUndoRedoEnabled(false);
        m_measure->setDefaultFont(font());
        QTextOption option = m_measure->defaultTextOption();
        option.setAlignment(alignment());
        option.setWrapMode(QTextOption::WordWrap);
        m_measure->setDefaultTextOption(option);
        m_measure->setHtml(text());
        QTextFrameFormat frame = m_measure->rootFrame()->frameFormat();
        frame.setMargin(0);
        m_measure->rootFrame()->setFrameFormat(frame);
    }
    const QMargins around = contentsMargins();
    const int extra = 2 * margin();
    m_measure->setTextWidth(std::max(width - extra - around.left() - around.right(), 0));
    return int(std::ceil(m_measure->size().height())) + extra + around.top() + around.bottom();
}

void WrappedLabel::forget() const
{
    m_answers.fill(Answer{});
    m_measure.reset();
}

QSize WrappedLabel::sizeHint() const
{
    if (sizePolicy().horizontalPolicy() != QSizePolicy::Ignored)
        return QLabel::sizeHint();
    // The width QLabel first tries for a wrapped text: eighty average characters.
    return QSize(0, heightForWidth(fontMetrics().averageCharWidth() * 80));
}

QSize WrappedLabel::minimumSizeHint() const
{
    if (sizePolicy().horizontalPolicy() != QSizePolicy::Ignored)
        return QLabel::minimumSizeHint();
    return QSize(0, heightForWidth(QWIDGETSIZE_MAX));
}

void WrappedLabel::changeEvent(QEvent* event)
{
    // What changes how the text lays out: forget every answer.
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::LayoutDirectionChange:
    case QEvent::ContentsRectChange:
        forget();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

} // namespace velmaris
