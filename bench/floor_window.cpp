// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for a Qt Widgets program here: one window holding 120 labels in a
// grid, set up like the index grid, and nothing else. It prints the time from
// its start to its first paint on standard error, as the program does with
// VELMARIS_TRACE_STARTUP=1. Given a size (velmaris_floor 784x603) it opens at
// that size: a window's memory is mostly its image on screen, so the program's
// window is weighed against a floor of its own size.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QStringList>

#include <cstdio>

namespace {

class FirstPaint : public QObject {
public:
    explicit FirstPaint(const QElapsedTimer& clock)
        : m_clock(clock)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            std::fprintf(stderr, "floor: first paint after %.1f ms\n",
                         double(m_clock.nsecsElapsed()) / 1e6);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& m_clock;
    bool m_seen = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Plancher"));
    auto* grid = new QGridLayout(&window);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(1);
    const QString names[] = {QStringLiteral("textind"), QStringLiteral("indice"),
                             QStringLiteral("moyenne"), QStringLiteral("irl"),
                             QStringLiteral("Datejo"),  QStringLiteral("loyer")};
    const int numberWidth = window.fontMetrics().horizontalAdvance(QStringLiteral("0000,0000")) + 8;
    for (int line = 0; line < 20; ++line) {
        for (int column = 0; column < 6; ++column) {
            auto* label = new QLabel(QStringLiteral("%1,%2").arg(line).arg(column), &window);
            label->setObjectName(names[column] + u'_' + QString::number(line));
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            label->setMinimumWidth(numberWidth);
            grid->addWidget(label, line, column);
        }
    }

    FirstPaint firstPaint(clock);
    window.installEventFilter(&firstPaint);
    if (argc > 1) {
        const QStringList size = QString::fromLatin1(argv[1]).split(u'x');
        if (size.size() == 2)
            window.resize(size[0].toInt(), size[1].toInt());
    }
    window.show();
    return app.exec();
}
