// Every command but --rent and --help: the register's and the index file's.
#include "cli_p.h"

namespace velmaris {

CommandLineResult runOtherCommand(const CommandRequest& request)
{
    using namespace cli;
    if (request.command == u"--add-index")
        return runAddIndex(request.arguments, request.defaultIndexPath);
    // Read once already by runCommandLine, which found them sound.
    Options options;
    if (auto error = parseOptions(request.arguments, options))
        return failure(kExitBadArguments, *error + QStringLiteral(" (velmaris --help)"));
    if (request.command == u"--import-insee")
        return runImportInsee(options, request.defaultIndexPath);
    return runLeaseCommand(options, request.defaultIndexPath, request.defaultDataFolder);
}

CommandLineResult runCommandLine(const QStringList& arguments, const QString& defaultIndexPath,
                                 const QString& defaultDataFolder)
{
    return runCommandLine(arguments, defaultIndexPath, defaultDataFolder, runOtherCommand);
}

} // namespace velmaris
