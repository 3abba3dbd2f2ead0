#include "messages.h"

#include <QMessageBox>

namespace velmaris {

namespace {
MessageBox::Handler& handler()
{
    static MessageBox::Handler h;
    return h;
}
} // namespace

void MessageBox::critical(QWidget* parent, const QString& title, const QString& text)
{
    if (handler()) {
        handler()(title, text);
        return;
    }
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

void MessageBox::information(QWidget* parent, const QString& title, const QString& text)
{
    if (handler()) {
        handler()(title, text);
        return;
    }
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

void MessageBox::setHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace velmaris
