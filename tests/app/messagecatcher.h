// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "messages.h"

#include <QString>
#include <QStringList>

namespace velmaris::test {

// Catches the error boxes instead of showing them, for as long as it lives.
struct Messages {
    QStringList titles, texts;
    Messages()
    {
        MessageBox::setHandler([this](const QString& title, const QString& text) {
            titles << title;
            texts << text;
        });
    }
    ~Messages() { MessageBox::setHandler(nullptr); }
    Messages(const Messages&) = delete;
    Messages& operator=(const Messages&) = delete;
};

} // namespace velmaris::test
