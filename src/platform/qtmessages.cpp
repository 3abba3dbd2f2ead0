// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtmessages.h"

#include <QtGlobal>

namespace velmaris {

namespace {

QtMessageHandler g_qtDefault = nullptr;

void developerMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        g_qtDefault(type, context, text);
}

} // namespace

void keepQtMessagesForDevelopers()
{
    if (qEnvironmentVariableIntValue("VELMARIS_QT_MESSAGES") == 1)
        return;
    g_qtDefault = qInstallMessageHandler(developerMessages);
}

} // namespace velmaris
