// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages.h"

#include "typography.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace velmaris {

namespace {
MessageBox::Handler& handler()
{
    static MessageBox::Handler h;
    return h;
}

MessageBox::QuestionHandler& questionHandler()
{
    static MessageBox::QuestionHandler h;
    return h;
}

// A box in French words, whatever Qt's own translations are: "OK" with its
// Alt letter, the text in French typography.
void show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, frenchTypography(title), frenchTypography(text), QMessageBox::NoButton,
                    parent);
    QPushButton* ok = box.addButton(QStringLiteral("&OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}
} // namespace

void MessageBox::critical(QWidget* parent, const QString& title, const QString& text)
{
    if (handler()) {
        handler()(title, text);
        return;
    }
    show(parent, QMessageBox::Critical, title, text);
}

void MessageBox::information(QWidget* parent, const QString& title, const QString& text)
{
    if (handler()) {
        handler()(title, text);
        return;
    }
    show(parent, QMessageBox::Information, title, text);
}

void MessageBox::criticalList(QWidget* parent, const QString& title, const QString& text,
                              const QStringList& lines)
{
    if (handler()) {
        handler()(title, lines.isEmpty() ? text : text + u'\n' + lines.join(u'\n'));
        return;
    }
    // A message box grows with its text: thousands of lines would run off the screen.
    QDialog box(parent);
    box.setWindowTitle(frenchTypography(title));
    auto* layout = new QVBoxLayout(&box);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(&box);
    const int size = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    icon->setPixmap(box.style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    auto* label = new QLabel(frenchTypography(text), &box);
    label->setWordWrap(true);
    top->addWidget(icon);
    top->addWidget(label, 1);
    layout->addLayout(top);
    auto* list = new QPlainTextEdit(lines.join(u'\n'), &box);
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setMinimumSize(520, 160);
    layout->addWidget(list, 1);
    auto* buttons = new QDialogButtonBox(&box);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    box.exec();
}

bool MessageBox::question(QWidget* parent, const QString& title, const QString& text)
{
    if (questionHandler())
        return questionHandler()(title, text);
    QMessageBox box(QMessageBox::Question, frenchTypography(title), frenchTypography(text),
                    QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void MessageBox::setHandler(Handler h)
{
    handler() = std::move(h);
}

void MessageBox::setQuestionHandler(QuestionHandler h)
{
    questionHandler() = std::move(h);
}

} // namespace velmaris
