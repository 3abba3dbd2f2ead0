// SPDX-License-Identifier: GPL-3.0-or-later
// --calendar FILE [--months N] [--date D]: the register's revision dates as an
// iCalendar file for the user's calendar program.
#include "cli_p.h"
#include "typography.h"

#include "calendarexport.h"
#include "dates.h"

namespace velmaris::cli {

CommandLineResult runCalendar(const Options& options, const QString& indexPath,
                              const QString& dataFolder)
{
    const QString path = options.value(QStringLiteral("--calendar"));
    int months = kCalendarMonths;
    if (options.has(QStringLiteral("--months"))) {
        bool ok = false;
        months = options.value(QStringLiteral("--months")).trimmed().toInt(&ok);
        if (!ok || months < 1 || months > kMaxCalendarMonths)
            return failure(kExitBadArguments,
                           QStringLiteral("Nombre de mois invalide pour --months\u00a0: "
                                          "«\u00a0%1\u00a0» (de 1 à %2).")
                               .arg(options.value(QStringLiteral("--months")))
                               .arg(kMaxCalendarMonths));
    }
    // Refused before the register is opened: a slip of the keyboard never
    // costs a connection to the server.
    if (auto bad = onlyOptions(options, QStringLiteral("--calendar"),
                               {QStringLiteral("--months"), QStringLiteral("--date")}))
        return *bad;
    if (const QString refusal = outputRefusalFor(options, path, indexPath, dataFolder);
        !refusal.isEmpty())
        return failure(kExitRefused,
                       QStringLiteral("Export du calendrier impossible\u00a0: %1.").arg(refusal));
    LeaseCommand command;
    if (auto failed =
            startLeaseCommand(options, QStringLiteral("--calendar"), QStringLiteral("--date"),
                              {QStringLiteral("--months")}, indexPath, dataFolder, command))
        return *failed;
    QString error;
    int written = 0;
    if (!exportCalendar(command.store, command.table, path, command.date, months, &error, &written))
        return failure(registerFault(command.store.errorKind()) ? kExitRegister : kExitRefused,
                       error);
    CommandLineResult r;
    r.output = QStringLiteral("%1 dans %2 (du %3 au %4).\n")
                   .arg(countOf(written, u"échéance écrite", u"échéances écrites", true), path,
                        dateText(command.date), dateText(command.date.addMonths(months)));
    r.error = command.notice;
    return r;
}

} // namespace velmaris::cli
