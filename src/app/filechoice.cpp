// SPDX-License-Identifier: GPL-3.0-or-later
#include "filechoice.h"

#include <QFileDialog>

namespace velmaris {

namespace {
FileChoice::Handler& handler()
{
    static FileChoice::Handler h;
    return h;
}
} // namespace

QString FileChoice::open(QWidget* parent, const QString& caption, const QString& filter)
{
    if (handler())
        return handler()(false, QString());
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString FileChoice::save(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter)
{
    if (handler())
        return handler()(true, suggested);
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

void FileChoice::setHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace velmaris
