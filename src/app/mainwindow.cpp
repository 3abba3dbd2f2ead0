// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"

#include "applocale.h"
#include "credits.h"
#include "gridline.h"
#include "indexfile.h"
#include "messages.h"
#include "programs.h"
#include "registersession.h"
#include "registerwindow.h"
#include "windowfit.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace velmaris {

namespace {

const QColor kReferenceColour(128, 255, 255); // light cyan
const QColor kPlainColour(255, 255, 255);

void setBold(QLabel* label, bool bold)
{
    if (label->font().bold() == bold)
        return;
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
}

} // namespace

MainWindow::MainWindow(Settings& settings, const QString& commandLineFolder,
                       const QString& programFolder, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_locale(appLocale())
    , m_style(m_locale)
{
    setObjectName(QStringLiteral("Velmaris"));
    setWindowTitle(QStringLiteral("Velmaris — Révision des loyers"));
    m_table.filePath = resolveIndexPath(commandLineFolder, programFolder);
    buildControls();
    setupUpdate();
}

MainWindow::~MainWindow()
{
    // The register window goes before a session of this window's own.
    delete m_register;
}

void MainWindow::calculatorClicked()
{
    switch (startCalculator()) {
    case CalculatorStart::Started:
    case CalculatorStart::AlreadyRunning:
        return;
    case CalculatorStart::NoneInstalled:
        MessageBox::critical(this, QStringLiteral("Calculatrice"),
                             QStringLiteral("Aucune calculatrice n’est installée. Installez-en une "
                                            "(par exemple gnome-calculator, kcalc ou galculator) "
                                            "pour l’ouvrir d’ici."));
        return;
    case CalculatorStart::Failed:
        MessageBox::critical(this, QStringLiteral("Calculatrice"),
                             QStringLiteral("La calculatrice n’a pas pu être lancée."));
        return;
    }
}

void MainWindow::paintEvent(QPaintEvent*)
{
    // Purple to magenta, in 256 bands from top to bottom.
    QPainter painter(this);
    const double bandHeight = height() / 256.0;
    for (int i = 0; i < 256; ++i) {
        const int c = std::min(255, qRound(i / 2.0 + 128));
        const double y = i * bandHeight;
        painter.fillRect(QRectF(0, y, width(), bandHeight + 1), QColor(c, 0, c));
    }
}

void MainWindow::load()
{
    loadTable();
    // The lease date comes first; no rent box is the reference until a rent is typed.
    datedubail->setFocus();
    m_view.referenceRow = -1;
    autoUpdateCheck();
    // Once the window stands: reading the register never delays its first paint.
    QTimer::singleShot(0, this, &MainWindow::openRegisterQuietly);
    // The window opens fitted to what the table and the lines under it hold.
    if (!isVisible())
        fitToContents();
}

void MainWindow::resetScrollBar()
{
    // The rows start again from the top: a rent being typed has lost its row.
    m_edited.fill(false);
    const QSignalBlocker block(barreinsee);
    barreinsee->setRange(0, std::max(0, m_table.scrollMaximum()));
    barreinsee->setValue(m_view.topRow);
}

void MainWindow::fillGrid()
{
    for (int i = 0; i < kGridLines; ++i) {
        const GridLine g = gridLine(m_table, m_view, i, m_style);
        textind[i]->setText(g.label);
        indice[i]->setText(g.icc);
        setBold(moyenne[i], g.averageBold);
        moyenne[i]->setText(g.average);
        setBold(irl[i], g.irlBold);
        irl[i]->setText(g.irl);
        Datejo[i]->setText(g.date);
        QPalette p = loyer[i]->palette();
        p.setColor(QPalette::Base, g.reference ? kReferenceColour : kPlainColour);
        loyer[i]->setPalette(p);
        // A rent being typed is the user's until the box is left.
        if (!m_edited[std::size_t(i)])
            loyer[i]->setText(rentText(m_schedule, g.quarter, m_style));
    }
}

void MainWindow::scrollChanged(int value)
{
    commitTyping();
    m_view.topRow = value;
    fillGrid();
}

bool MainWindow::gridWheel(QEvent* event)
{
    // At the end of the indices the wheel goes on to the window, which a small
    // screen scrolls: the grid never holds the user there.
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    if ((delta > 0 && barreinsee->value() == barreinsee->minimum())
        || (delta < 0 && barreinsee->value() == barreinsee->maximum()))
        return false;
    QCoreApplication::sendEvent(barreinsee, event);
    return true;
}

void MainWindow::activated()
{
    // An index file edited outside the program is picked up on return.
    if (QFileInfo(m_table.filePath).lastModified() != m_table.fileDate) {
        loadTable();
    } else {
        fillGrid();
        showStaleness(); // the window may have stayed open past a release
    }
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activated();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrangeColumns();
}

void MainWindow::arrangeColumns()
{
    if (!m_columns)
        return;
    constexpr int kMargin = 10; // around the grid and the commands side by side
    const int both = m_grid->minimumSizeHint().width() + m_side->minimumSizeHint().width()
                     + m_columns->spacing() + 2 * kMargin;
    const QBoxLayout::Direction wanted =
        // The window's width, less a vertical bar: the viewport's own is not
        // laid out yet when the window is first sized.
        width() - m_scroll->verticalScrollBar()->sizeHint().width() >= both
            ? QBoxLayout::LeftToRight
            : QBoxLayout::TopToBottom;
    if (m_columns->direction() != wanted) {
        m_columns->setDirection(wanted);
        // Below the grid, the margins give their width to the grid.
        const int margin = wanted == QBoxLayout::LeftToRight ? kMargin : 4;
        m_columns->setContentsMargins(margin, margin, margin, margin);
    }
}

void MainWindow::showCredits()
{
    FrmQUERVO credits(this);
    giveMnemonics(&credits);
    credits.exec();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();

    if (watched == Label1[0] || watched == Label1[1]) {
        if (type == QEvent::MouseButtonRelease) {
            showCredits();
            return true;
        }
        return false;
    }

    if (type == QEvent::Wheel && watched == m_panel)
        return gridWheel(event);

    // Focus that leaves for another window (a message box, another program),
    // or comes back from it, is not the user leaving the box or coming to it:
    // what was typed there still counts.
    auto otherWindow = [](QEvent* e) {
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    };
    auto isEnter = [](QEvent* e) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    };

    if (watched == datedubail) {
        if (type == QEvent::KeyPress && isEnter(event)) {
            datedubailEnter();
            return true;
        }
        if (type == QEvent::FocusIn && !otherWindow(event))
            datedubailGotFocus();
        if (type == QEvent::FocusOut && !otherWindow(event) && !m_loading)
            datedubailLostFocus();
        return false;
    }

    for (int i = 0; i < kGridLines; ++i) {
        if (watched != loyer[i])
            continue;
        switch (type) {
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (isEnter(event)) {
                loyerEnter(i, false);
                return true;
            }
            // A page of indices up or down, the cursor staying on its line.
            if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
                barreinsee->triggerAction(key == Qt::Key_PageUp
                                              ? QAbstractSlider::SliderPageStepSub
                                              : QAbstractSlider::SliderPageStepAdd);
                return true;
            }
            break;
        }
        case QEvent::MouseButtonPress:
            loyerClick(i);
            break;
        case QEvent::FocusIn:
            if (!otherWindow(event))
                loyerGotFocus(i);
            break;
        case QEvent::FocusOut:
            if (!otherWindow(event) && !m_loading)
                loyerLostFocus(i);
            break;
        default:
            break;
        }
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmaris
