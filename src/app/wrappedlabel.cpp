#include "wrappedlabel.h"

#include <QEvent>

namespace velmaris {

WrappedLabel::WrappedLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setWordWrap(true);
}

int WrappedLabel::heightForWidth(int width) const
{
    // setText() is not virtual: a new text is seen here.
    if (text() != m_answeredText) {
        m_answers.fill(Answer{});
        m_answeredText = text();
    }
    for (const Answer& a : m_answers)
        if (a.width == width)
            return a.height;
    const int height = QLabel::heightForWidth(width);
    m_answers[m_next] = Answer{width, height};
    m_next = (m_next + 1) % m_answers.size();
    return height;
}

void WrappedLabel::changeEvent(QEvent* event)
{
    // What changes how the text lays out: forget every answer.
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::LayoutDirectionChange:
    case QEvent::ContentsRectChange:
        m_answers.fill(Answer{});
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

} // namespace velmaris
