#pragma once

#include <QLabel>

namespace velmaris {

// A label of one line of plain text (a figure, a date of the grid) that works
// out its size once per text. QLabel lays its text out three times over for
// its two size hints, and the grid's hundred labels get new texts at every
// scroll step.
class LineLabel : public QLabel {
public:
    explicit LineLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    mutable QString m_sizedText;
    mutable QSize m_size;
};

} // namespace velmaris
