#include "linelabel.h"

#include <QEvent>

namespace velmaris {

LineLabel::LineLabel(QWidget* parent)
    : QLabel(parent)
{
}

QSize LineLabel::sizeHint() const
{
    // What QLabel finds for a text that does not wrap, whatever the width it
    // tries: the text's bounding box, its margins, at least the minimum size.
    if (m_size.isValid() && text() == m_sizedText)
        return m_size;
    ensurePolished();
    const int flags = (alignment() & ~(Qt::AlignVCenter | Qt::AlignHCenter)) | Qt::TextExpandTabs;
    const QRect box = fontMetrics().boundingRect(0, 0, 2000, 2000, flags, text());
    const QMargins around = contentsMargins();
    const int extra = 2 * margin();
    m_size = QSize(box.width() + extra + around.left() + around.right(),
                   box.height() + extra + around.top() + around.bottom())
                 .expandedTo(minimumSize());
    m_sizedText = text();
    return m_size;
}

QSize LineLabel::minimumSizeHint() const
{
    return sizeHint();
}

void LineLabel::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::ContentsRectChange:
        m_size = QSize();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

} // namespace velmaris
