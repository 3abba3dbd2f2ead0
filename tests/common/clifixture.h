// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the command-line tests share: the shipped index file, dates as the tests
// write them, and a command run on a register folder of the test's own.

#include "cli.h"

#include <QDate>
#include <QStringList>

namespace velmaris::test {

inline const QString kShippedFile = QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT");

inline QDate day(const char* text)
{
    return QDate::fromString(QString::fromLatin1(text), u"dd/MM/yyyy");
}

// The command with --data-folder FOLDER, as a user points it at a register.
inline CommandLineResult runInFolder(const QString& folder, QStringList args)
{
    args << QStringLiteral("--data-folder") << folder;
    return runCommandLine(args, kShippedFile, folder);
}

} // namespace velmaris::test
