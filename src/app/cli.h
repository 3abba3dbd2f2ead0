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
inline constexpr int kExitRefused = 6;  // a file to import is refused

// True when the program was started for the command line (first argument "--...").
bool isCommandLine(const QStringList& arguments);

// arguments: without the program name. defaultIndexPath: the index file used
// when --index-file is not given; defaultDataFolder: the lease register's
// folder when --data-folder is not given. Numbers and dates come out in the French
// (France) formats whatever the system's locale, so that a script gets the
// same bytes on every machine.
CommandLineResult runCommandLine(const QStringList& arguments, const QString& defaultIndexPath,
                                 const QString& defaultDataFolder = {});

// A command beyond --rent and --help (the register's, the index file's), its
// options already read and found sound.
struct CommandRequest {
    QString command;       // "--leases", "--add-index"...
    QStringList arguments; // as given: --add-index reads its own
    QString defaultIndexPath;
    QString defaultDataFolder;
};
using OtherCommands = CommandLineResult (*)(const CommandRequest& request);

// The same, with those commands run by `other`: runCommandLine itself does the
// options, --help and --rent, which need nothing of the register, so that the
// program can load the other commands only when one is asked for.
CommandLineResult runCommandLine(const QStringList& arguments, const QString& defaultIndexPath,
                                 const QString& defaultDataFolder, OtherCommands other);

// Those commands, linked in: what the commands module runs, and what the
// three-argument runCommandLine hands them to.
CommandLineResult runOtherCommand(const CommandRequest& request);

// The module holding the other commands where the program is split (Linux),
// and its entry: the command's result in *result.
inline constexpr char kCommandsModule[] = "libvelmaris_commands.so";
inline constexpr char kCommandsEntry[] = "velmaris_commands_main";
using CommandsEntry = void (*)(const CommandRequest& request, CommandLineResult* result);

// The usage text, in French.
QString commandLineUsage();

} // namespace velmaris
