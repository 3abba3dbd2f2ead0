#pragma once

#include <QLabel>

#include <array>

namespace velmaris {

// A label whose text wraps, and which remembers the heights it was asked for.
// Qt's layouts ask a wrapped label its height for a width many times while a
// window is laid out, and QLabel lays its whole text out again for each
// question: the main window's few wrapped texts cost more to lay out than all
// its other widgets together.
class WrappedLabel : public QLabel {
public:
    explicit WrappedLabel(const QString& text, QWidget* parent = nullptr);

    int heightForWidth(int width) const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    struct Answer {
        int width = -1;
        int height = 0;
    };
    // The last widths asked, with the text they were asked for.
    mutable std::array<Answer, 4> m_answers;
    mutable std::size_t m_next = 0;
    mutable QString m_answeredText;
};

} // namespace velmaris
