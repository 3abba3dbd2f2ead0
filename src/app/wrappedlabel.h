#pragma once

#include <QLabel>

#include <array>
#include <memory>

class QTextDocument;

namespace velmaris {

// A label whose text wraps, and which remembers the heights it was asked for.
// Qt's layouts ask a wrapped label its height for a width many times while a
// window is laid out, and QLabel lays its whole text out again for each
// question: the main window's few wrapped texts cost more to lay out than all
// its other widgets together.
//
// A rich text (the line under the grid, with its links) is measured on a copy
// of the label's document, laid out once per width: QLabel lays its own out
// twice for each question, the second time back at the width it had.
class WrappedLabel : public QLabel {
public:
    explicit WrappedLabel(const QString& text, QWidget* parent = nullptr);
    ~WrappedLabel() override;

    int heightForWidth(int width) const override;
    // A label that takes whatever width its layout gives (horizontal policy
    // Ignored) has no width of its own to ask for: its hints are heights.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    int measuredHeight(int width) const;
    void forget() const;

    struct Answer {
        int width = -1;
        int height = 0;
    };
    // The last widths asked, with the text they were asked for.
    mutable std::array<Answer, 4> m_answers;
    mutable std::size_t m_next = 0;
    mutable QString m_answeredText;
    mutable Qt::TextFormat m_answeredFormat = Qt::AutoText;
    mutable std::unique_ptr<QTextDocument> m_measure;
};

} // namespace velmaris
