// The commands module: every command but --rent and --help, with the register
// (QtSql) and the index file's imports, loaded when one of them is asked for.
#include "cli.h"

extern "C" Q_DECL_EXPORT void velmaris_commands_main(const velmaris::CommandRequest& request,
                                                     velmaris::CommandLineResult* result)
{
    *result = velmaris::runOtherCommand(request);
}
