// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <optional>

namespace velmaris {

// What the window says instead of opening, for arguments it does not take: a
// command ("--rent ...") is velmaris-cli's, said with the line to type, status
// 2; --help, -h and -? give its own usage, status 0. Nothing for arguments the
// window takes (none, or its folder).
struct NoWindow {
    int status = 0;
    QString text; // for standard error (status 2) or output (status 0)
};
std::optional<NoWindow> answerWithoutWindow(const QStringList& arguments);

// The program with its window: settings, main window, event loop. clock runs
// since the process started (for VELMARIS_TRACE_STARTUP=1).
int runWindow(int argc, char* argv[], const QElapsedTimer& clock);

} // namespace velmaris
