// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <set>
#include <vector>

namespace velmaris {

namespace {

// Before the window is shown its frame is unknown: a title bar and borders' worth.
constexpr QSize kFrameGuess(16, 40);
// Room left around a control scrolled into view.
constexpr int kFocusMargin = 12;

// The letter after a single "&" in a caption; none: 0.
char16_t mnemonicOf(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'&') {
            ++i; // "&&" is an ampersand shown
            continue;
        }
        return text[i + 1].toLower().unicode();
    }
    return 0;
}

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.toLower().unicode();
    return u >= u'a' && u <= u'z';
}

// Where the mnemonic goes: a word's first letter, else any letter, not yet taken.
qsizetype mnemonicPlace(const QString& text, const std::set<char16_t>& taken)
{
    auto free = [&](qsizetype i) {
        return isAsciiLetter(text[i]) && !taken.count(text[i].toLower().unicode());
    };
    for (qsizetype i = 0; i < text.size(); ++i)
        if ((i == 0 || text[i - 1].isSpace()) && free(i))
            return i;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (free(i))
            return i;
    return -1;
}

// The controls a keyboard reaches, in the order the layout shows them.
void collectFocusable(QLayout* layout, std::vector<QWidget*>& out);

void collectItem(QLayoutItem* item, std::vector<QWidget*>& out)
{
    if (!item)
        return;
    if (QLayout* inner = item->layout()) {
        collectFocusable(inner, out);
        return;
    }
    QWidget* w = item->widget();
    if (!w)
        return;
    if (w->focusPolicy() & Qt::TabFocus)
        out.push_back(w);
    else if (w->layout())
        collectFocusable(w->layout(), out); // a group box, a panel
}

void collectFocusable(QLayout* layout, std::vector<QWidget*>& out)
{
    if (auto* form = qobject_cast<QFormLayout*>(layout)) {
        for (int row = 0; row < form->rowCount(); ++row)
            for (auto role :
                 {QFormLayout::LabelRole, QFormLayout::FieldRole, QFormLayout::SpanningRole})
                collectItem(form->itemAt(row, role), out);
        return;
    }
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = 0; c < grid->columnCount(); ++c) {
                QLayoutItem* item = grid->itemAtPosition(r, c);
                int row = 0, column = 0, rows = 0, columns = 0;
                const int i = item ? grid->indexOf(item) : -1;
                if (i >= 0)
                    grid->getItemPosition(i, &row, &column, &rows, &columns);
                if (item && row == r && column == c) // a spanning item once, where it starts
                    collectItem(item, out);
            }
        return;
    }
    for (int i = 0; i < layout->count(); ++i)
        collectItem(layout->itemAt(i), out);
}

// Tab from the last control that can take it goes back to the first,
// Shift+Tab from the first to the last: a row of buttons below the scrolled
// controls would otherwise keep the focus among themselves.
class TabWrap : public QObject {
public:
    TabWrap(QWidget* window, const std::vector<QWidget*>& order)
        : QObject(window)
    {
        for (QWidget* w : order) {
            m_order.emplace_back(w);
            w->installEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::ShiftModifier)
            return false;
        const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
        if (!forward && key->key() != Qt::Key_Backtab)
            return false;
        QWidget* first = nullptr;
        QWidget* last = nullptr;
        for (const QPointer<QWidget>& w : m_order)
            if (w && w->isVisible() && w->isEnabled()) {
                if (!first)
                    first = w;
                last = w;
            }
        QWidget* to =
            forward ? (watched == last ? first : nullptr) : (watched == first ? last : nullptr);
        if (!to || to == watched)
            return false;
        to->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }

private:
    std::vector<QPointer<QWidget>> m_order;
};

} // namespace

QSize screenRoom(const QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QSize frame = kFrameGuess;
    if (window->isVisible()) {
        const QSize shown = window->frameGeometry().size() - window->geometry().size();
        frame = shown.expandedTo(QSize(0, 0));
    }
    return (screen->availableGeometry().size() - frame).expandedTo(QSize(240, 160));
}

QSize withinScreen(const QWidget* control, QSize wanted)
{
    return wanted.boundedTo(screenRoom(control->window()) * 4 / 5);
}

void fitToScreen(QWidget* window, QSize wanted)
{
    window->resize(wanted.boundedTo(screenRoom(window)));
}

QSize scrolledSize(const QWidget* contents, QSize room, int minimumWidth, QSize extra)
{
    const int bar = contents->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    QSize wanted = contents->sizeHint().expandedTo(QSize(minimumWidth, 0));
    wanted.setWidth(std::min(wanted.width(), room.width()));
    // Wrapped texts are as tall as the width they get makes them. A vertical
    // bar that came while the window was being laid out takes a bar's width,
    // and would stay for the texts it makes taller: the height is asked for
    // that width.
    if (contents->hasHeightForWidth())
        wanted.setHeight(
            std::max(wanted.height(), contents->heightForWidth(std::max(0, wanted.width() - bar))));
    // Narrower than the contents can be: a horizontal bar under them.
    if (contents->minimumSizeHint().width() > wanted.width())
        wanted.rheight() += bar;
    wanted += extra;
    // What is taller than the room gets a scroll bar beside it.
    if (wanted.height() > room.height())
        wanted.rwidth() += bar;
    return wanted;
}

void keepFocusInView(QScrollArea* area)
{
    // The contents as they are now: while the area is being destroyed (its
    // contents go first) the focus moves, and the area is no longer one to ask.
    const QPointer<QWidget> shown = area->widget();
    QObject::connect(
        qApp, &QApplication::focusChanged, area, [area, shown](QWidget*, QWidget* now) {
            const QWidget* contents = shown.data();
            if (!now || !contents || !contents->isAncestorOf(now))
                return;
            // A click gives the focus to what the user sees: the window stays
            // where it is, and the next click lands where it was aimed.
            if (QApplication::mouseButtons() != Qt::NoButton)
                return;
            // The whole box, not only its text cursor (which ensureWidgetVisible
            // shows): what is typed next must show too. Already in view: nothing
            // moves; else the least that shows it, its top when it is taller
            // than the view.
            const QRect box(now->mapTo(contents, QPoint(0, 0)), now->size());
            const QRect view(-contents->pos(), area->viewport()->size());
            if (view.contains(box))
                return;
            const int height =
                std::min(box.height(), std::max(0, view.height() - 2 * kFocusMargin));
            const int width = std::min(box.width(), std::max(0, view.width() - 2 * kFocusMargin));
            area->ensureVisible(box.left() + width / 2, box.top() + height / 2,
                                width / 2 + kFocusMargin, height / 2 + kFocusMargin);
        });
}

QScrollArea* scrollWhenSmall(QWidget* window, QWidget* below)
{
    QLayout* layout = window->layout();
    const QMargins margins = layout->contentsMargins();
    if (below)
        layout->removeWidget(below);
    auto* contents = new QWidget;
    contents->setObjectName(QStringLiteral("contenu"));
    contents->setLayout(layout); // takes the layout off the window, its controls with it
    auto* area = new QScrollArea(window);
    area->setObjectName(QStringLiteral("defilement"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(contents);

    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(area, 1);
    QSize extra(0, 0);
    if (below) {
        auto* row = new QVBoxLayout;
        row->setContentsMargins(margins.left(), 0, margins.right(), margins.bottom());
        row->addWidget(below);
        outer->addLayout(row);
        extra.setHeight(below->sizeHint().height() + margins.bottom());
    }
    keepFocusInView(area);
    // Contents grown wider than the window once shown (a text set, a vertical
    // bar come): the window widens while the screen has room, rather than
    // scrolling sideways.
    QObject::connect(area->horizontalScrollBar(), &QScrollBar::rangeChanged, window,
                     [window](int, int overflow) {
                         if (overflow > 0 && window->isVisible()
                             && window->width() + overflow <= screenRoom(window).width())
                             window->resize(window->width() + overflow, window->height());
                     });
    // The keyboard goes through the controls as they show, those below last;
    // the scroll area itself is no stop. The first control has the focus.
    area->setFocusPolicy(Qt::NoFocus);
    std::vector<QWidget*> order;
    collectFocusable(layout, order);
    // Controls the layouts do not reach (in a splitter, say) keep Qt's own
    // order, and the round is not closed over them.
    const auto reachable = [](const QWidget* w) { return bool(w->focusPolicy() & Qt::TabFocus); };
    const auto inside = contents->findChildren<QWidget*>();
    const bool whole =
        std::size_t(std::count_if(inside.begin(), inside.end(), reachable)) == order.size();
    if (below)
        collectItem(outer->itemAt(outer->count() - 1), order); // the row below
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    if (whole && order.size() >= 2)
        new TabWrap(window, order);
    if (!order.empty() && !window->focusWidget())
        order.front()->setFocus(Qt::OtherFocusReason);
    fitToScreen(window, scrolledSize(contents, screenRoom(window), 0, extra));
    return area;
}

void tabOrderFromLayout(QWidget* window)
{
    std::vector<QWidget*> order;
    if (window->layout())
        collectFocusable(window->layout(), order);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

QScrollArea* scrollWhenSmall(QWidget* window, QLayout* below)
{
    auto* holder = new QWidget(window);
    window->layout()->removeItem(below);
    below->setParent(nullptr);
    below->setContentsMargins(0, 0, 0, 0);
    holder->setLayout(below); // its buttons go with it
    return scrollWhenSmall(window, holder);
}

void giveMnemonics(QWidget* window)
{
    std::set<char16_t> taken;
    std::vector<QAbstractButton*> without;
    auto own = [window](const QWidget* w) { return w->window() == window; };
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (own(label) && label->buddy())
            if (const char16_t m = mnemonicOf(label->text()))
                taken.insert(m);
    for (const QGroupBox* box : window->findChildren<QGroupBox*>())
        if (own(box))
            if (const char16_t m = mnemonicOf(box->title()))
                taken.insert(m);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!own(button) || button->text().isEmpty())
            continue;
        if (const char16_t m = mnemonicOf(button->text()))
            taken.insert(m);
        else
            without.push_back(button);
    }
    for (QAbstractButton* button : without) {
        QString text = button->text();
        const qsizetype at = mnemonicPlace(text, taken);
        if (at < 0)
            continue;
        taken.insert(text[at].toLower().unicode());
        text.insert(at, u'&');
        button->setText(text);
    }
}

} // namespace velmaris
