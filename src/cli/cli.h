// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace velmaris {

// The revision table printed for scripts, without any window.
struct CommandLineResult {
    int status = 0; // 0 done, or one of the statuses below
    QString output; // standard output: exactly what "Copier" puts on the clipboard
    QString error;  // standard error, French: why it failed, or what to know besides
};

// Exit statuses.
inline constexpr int kExitBadArguments = 2;
inline constexpr int kExitIndexFile = 3;
inline constexpr int kExitRevision = 4;
inline constexpr int kExitRegister = 5; // the lease register cannot be opened or written
inline constexpr int kExitRefused = 6;  // a file to read or to write is refused, or not written

// arguments: without the program name. defaultIndexPath: the index file used
// when --index-file is not given; defaultDataFolder: the lease register's
// folder when --data-folder is not given. Numbers and dates come out in the French
// (France) formats whatever the system's locale, so that a script gets the
// same bytes on every machine.
CommandLineResult runCommandLine(const QStringList& arguments, const QString& defaultIndexPath,
                                 const QString& defaultDataFolder = {});

// The usage text, in French.
QString commandLineUsage();

// Whether the command writes pages (--pdf): it then needs QtGui's application
// object, painting offscreen (paintOffscreen(), before that object exists);
// every other command runs in a QCoreApplication.
bool commandWritesPages(const QStringList& arguments);
void paintOffscreen();

} // namespace velmaris
