#include "yesno.h"

#include <QMessageBox>
#include <QPushButton>

namespace velmaris {

namespace {
YesNo::Handler& handler()
{
    static YesNo::Handler h;
    return h;
}
} // namespace

bool YesNo::ask(QWidget* parent, const QString& title, const QString& text)
{
    if (handler())
        return handler()(title, text);
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    // French buttons whatever translations Qt finds.
    QPushButton* yes = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void YesNo::setHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace velmaris
