#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace velmaris {

// The revision table printed for scripts, without any window.
struct CommandLineResult {
    int status = 0; // 0 done, 2 bad arguments, 3 index file, 4 revision impossible
    QString output; // standard output: exactly what "Copier" puts on the clipboard
    QString error;  // standard error, French: why it failed, or what to know besides
};

// Exit statuses.
inline constexpr int kExitBadArguments = 2;
inline constexpr int kExitIndexFile = 3;
inline constexpr int kExitRevision = 4;

// True when the program was started for the command line (first argument "--...").
bool isCommandLine(const QStringList& arguments);

// arguments: without the program name. defaultIndexPath: the index file used
// when --index-file is not given. Numbers and dates come out in the French
// (France) formats whatever the system's locale, so that a script gets the
// same bytes on every machine.
CommandLineResult runCommandLine(const QStringList& arguments, const QString& defaultIndexPath);

// Those formats: decimal comma, dd/MM/yyyy, no thousands separator.
QLocale commandLineLocale();

// The usage text, in French.
QString commandLineUsage();

} // namespace velmaris
