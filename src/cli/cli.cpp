// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's start: the options, --help, --rent, and the dispatch to
// the other commands.
#include "cli.h"
#include "cli_options.h"
#include "cli_p.h"

#include "amounts.h"
#include "clipboardtext.h"
#include "datafolder.h"
#include "dates.h"
#include "indexfile.h"
#include "indexrestore.h"
#include "leasedate.h"
#include "numbers.h"
#include "quarter.h"
#include "rententry.h"
#include "revision.h"
#include "staleness.h"

#include <optional>

namespace velmaris {

namespace cli {

CommandLineResult failure(int status, const QString& message)
{
    CommandLineResult r;
    r.status = status;
    r.error = message + u'\n';
    return r;
}

std::optional<CommandLineResult> loadTable(const Options& options, const QString& defaultPath,
                                           IndexTable& table)
{
    table.filePath = options.has(QStringLiteral("--index-file"))
                         ? options.value(QStringLiteral("--index-file"))
                         : defaultPath;
    const IndexFileResult loaded = loadIndexTable(table);
    if (!loaded.ok()) {
        return failure(kExitIndexFile, loadFailureLine(loaded, table.filePath) + u'\n'
                                           + putBackAdvice(shippedIndexFile(), table.filePath));
    }
    if (table.rows.empty())
        return failure(kExitIndexFile, QStringLiteral("Le fichier des indices ne contient aucun "
                                                      "trimestre\u00a0: %1")
                                           .arg(table.filePath));
    return std::nullopt;
}

QString stalenessNotice(const IndexTable& table)
{
    if (const auto stale = staleness(table, QDate::currentDate()))
        return stalenessText(*stale)
               + QStringLiteral(" À obtenir par «\u00a0Mise à jour\u00a0» ou «\u00a0Saisir un indice…\u00a0» "
                                "dans la fenêtre, ou velmaris-cli --add-index.\n");
    return {};
}

std::optional<CommandLineResult> dateOption(const Options& options, const QString& name,
                                            QDate& date)
{
    date = QDate::currentDate();
    if (!options.has(name))
        return std::nullopt;
    const std::optional<QDate> given = parseFrenchDate(options.value(name));
    if (!given)
        return failure(kExitBadArguments,
                       QStringLiteral("Date invalide pour %1\u00a0: «\u00a0%2\u00a0» (jj/mm/aaaa attendu).")
                           .arg(name, options.value(name)));
    date = *given;
    return std::nullopt;
}

} // namespace cli

namespace {

using cli::failure;
using cli::Options;

// Options that take a value, and flags.
const QStringList kValued = {
    QStringLiteral("--rent"),           QStringLiteral("--quarter"),
    QStringLiteral("--lease-date"),     QStringLiteral("--index-file"),
    QStringLiteral("--revise-lease"),   QStringLiteral("--request-date"),
    QStringLiteral("--import-leases"),  QStringLiteral("--export-leases"),
    QStringLiteral("--data-folder"),    QStringLiteral("--date"),
    QStringLiteral("--apply-revision"), QStringLiteral("--backup"),
    QStringLiteral("--restore"),        QStringLiteral("--published"),
    QStringLiteral("--corse"),          QStringLiteral("--outre-mer"),
    QStringLiteral("--import-insee"),   QStringLiteral("--audit-lease"),
    QStringLiteral("--charged"),        QStringLiteral("--register"),
    QStringLiteral("--copy-register"),  QStringLiteral("--calendar"),
    QStringLiteral("--letter"),         QStringLiteral("--month-letters"),
    QStringLiteral("--audit-report"),   QStringLiteral("--pdf"),
    QStringLiteral("--months"),
};
const QStringList kFlags = {QStringLiteral("--reevaluate"), QStringLiteral("--leases"),
                            QStringLiteral("--apply-due"),  QStringLiteral("--all"),
                            QStringLiteral("--help"),       QStringLiteral("-h"),
                            QStringLiteral("--registered")};

} // namespace

std::optional<QString> cli::parseOptions(const QStringList& arguments, Options& options)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        std::optional<QString> inlineValue;
        if (const qsizetype eq = name.indexOf(u'='); name.startsWith(u"--") && eq > 0) {
            inlineValue = name.mid(eq + 1);
            name = name.left(eq);
        }
        if (name == u"-h" || name == u"-?")
            name = QStringLiteral("--help");
        const bool valued = kValued.contains(name);
        if (!valued && (!kFlags.contains(name) || inlineValue))
            return QStringLiteral("Option inconnue\u00a0: %1").arg(arguments.at(i));
        if (options.has(name))
            return QStringLiteral("L’option %1 est donnée deux fois.").arg(name);
        QString value;
        if (valued) {
            if (inlineValue)
                value = *inlineValue;
            else if (i + 1 < arguments.size())
                value = arguments.at(++i);
            else
                return QStringLiteral("L’option %1 attend une valeur.").arg(name);
        }
        options.insert(name, value);
    }
    return std::nullopt;
}

namespace {

using cli::parseOptions;

// Which command the options ask for; two at once is a mistake.
std::optional<QString> commandOf(const Options& options, QString& command)
{
    static const QStringList commands = {
        QStringLiteral("--rent"),          QStringLiteral("--leases"),
        QStringLiteral("--revise-lease"),  QStringLiteral("--import-leases"),
        QStringLiteral("--export-leases"), QStringLiteral("--apply-revision"),
        QStringLiteral("--backup"),        QStringLiteral("--restore"),
        QStringLiteral("--import-insee"),  QStringLiteral("--audit-lease"),
        QStringLiteral("--copy-register"), QStringLiteral("--apply-due"),
        QStringLiteral("--calendar"),      QStringLiteral("--letter"),
        QStringLiteral("--month-letters"), QStringLiteral("--audit-report"),
    };
    for (const QString& c : commands) {
        if (!options.has(c))
            continue;
        if (!command.isEmpty())
            return QStringLiteral("Les options %1 et %2 ne vont pas ensemble.").arg(command, c);
        command = c;
    }
    return std::nullopt;
}

CommandLineResult reviseRent(const Options& options, const QString& defaultIndexPath,
                             const QString& defaultDataFolder);

} // namespace

CommandLineResult runCommandLine(const QStringList& arguments, const QString& defaultIndexPath,
                                 const QString& defaultDataFolder)
{
    using namespace cli;
    // --add-index reads its own arguments.
    if (arguments.contains(QStringLiteral("--add-index")))
        return runAddIndex(arguments, defaultIndexPath, defaultDataFolder);
    Options options;
    QString command;
    if (auto error = parseOptions(arguments, options);
        error || (error = commandOf(options, command)))
        return failure(kExitBadArguments, *error + QStringLiteral(" (velmaris-cli --help)"));
    if (options.has(QStringLiteral("--help"))) {
        CommandLineResult r;
        r.output = commandLineUsage();
        return r;
    }
    // --data-folder D is D's whole data: its index file when it has one.
    const QString indexPath = dataFolderIndex(options, defaultIndexPath);
    if (command.isEmpty() || command == u"--rent")
        return reviseRent(options, indexPath, defaultDataFolder);
    if (command == u"--letter")
        return runLetter(options, indexPath, defaultDataFolder);
    if (command == u"--month-letters")
        return runMonthLetters(options, indexPath, defaultDataFolder);
    if (command == u"--audit-report")
        return runAuditReport(options, indexPath, defaultDataFolder);
    if (command == u"--import-insee")
        return runImportInsee(options, defaultIndexPath, defaultDataFolder);
    if (command == u"--calendar")
        return runCalendar(options, indexPath, defaultDataFolder);
    return runLeaseCommand(options, indexPath, defaultDataFolder);
}

namespace {

// What --rent was asked: the rent, and its quarter or the lease's date.
struct RentArguments {
    qint64 rent = 0;
    QString quarterText;
    std::optional<Quarter> quarter;
    std::optional<QDate> leaseDate;
};

std::optional<CommandLineResult> readRentArguments(const Options& options, RentArguments& args)
{
    for (const char* other : {"--request-date", "--date", "--all", "--charged", "--register"})
        if (options.has(QString::fromLatin1(other)))
            return failure(kExitBadArguments,
                           QStringLiteral("L’option %1 ne sert qu’aux commandes des baux. "
                                          "(velmaris-cli --help)")
                               .arg(QString::fromLatin1(other)));
    if (!options.has(QStringLiteral("--rent")))
        return failure(
            kExitBadArguments,
            QStringLiteral("Le loyer de référence manque (--rent). (velmaris-cli --help)"));
    const bool hasQuarter = options.has(QStringLiteral("--quarter"));
    const bool hasLeaseDate = options.has(QStringLiteral("--lease-date"));
    if (!hasQuarter && !hasLeaseDate)
        return failure(kExitBadArguments,
                       QStringLiteral("Indiquez le trimestre de référence (--quarter) ou la date "
                                      "du bail (--lease-date). (velmaris-cli --help)"));

    // A script must say exactly what it means: the strict reading of every form.
    const QString rentText = options.value(QStringLiteral("--rent"));
    const std::optional<qint64> rent = readAmount(rentText);
    if (!rent || *rent <= 0)
        return failure(
            kExitBadArguments,
            QStringLiteral("Loyer invalide\u00a0: «\u00a0%1\u00a0» (un montant positif, par exemple 850 "
                           "ou \"1 234,50\").")
                .arg(rentText));
    args.rent = *rent;

    args.quarterText = options.value(QStringLiteral("--quarter"));
    if (hasQuarter) {
        args.quarter = Quarter::fromKey(args.quarterText);
        if (!args.quarter)
            return failure(kExitBadArguments,
                           QStringLiteral("Trimestre invalide\u00a0: «\u00a0%1\u00a0» (chiffre du trimestre puis "
                                          "année, par exemple 32019).")
                               .arg(args.quarterText));
    }
    if (hasLeaseDate) {
        args.leaseDate = parseFrenchDate(options.value(QStringLiteral("--lease-date")));
        if (!args.leaseDate)
            return failure(kExitBadArguments,
                           QStringLiteral("Date du bail invalide\u00a0: «\u00a0%1\u00a0» (jj/mm/aaaa attendu).")
                               .arg(options.value(QStringLiteral("--lease-date"))));
    }
    return std::nullopt;
}

CommandLineResult reviseRent(const Options& options, const QString& defaultIndexPath,
                             const QString& defaultDataFolder)
{
    const NumberStyle french; // the same bytes on every machine
    RentArguments args;
    if (auto bad = readRentArguments(options, args))
        return *bad;
    QString pdf; // with --pdf, the table goes there instead of the standard output
    if (options.has(QStringLiteral("--pdf")))
        if (auto refused = cli::pdfTarget(options, QStringLiteral("--rent"), defaultIndexPath,
                                          defaultDataFolder, pdf))
            return *refused;
    const std::optional<Quarter>& quarter = args.quarter;
    const std::optional<QDate>& leaseDate = args.leaseDate;

    IndexTable table;
    if (auto failed = cli::loadTable(options, defaultIndexPath, table))
        return *failed;

    // What the user must know even when the revision works: said on standard
    // error, the output and the status stay what they are.
    QString notices = cli::stalenessNotice(table);

    int reference = -1;
    if (quarter) {
        reference = table.rowOf(*quarter);
        if (reference < 0)
            return failure(kExitBadArguments,
                           QStringLiteral("Trimestre absent du fichier des indices\u00a0: %1 (%2).")
                               .arg(args.quarterText.trimmed(), quarter->label()));
    } else {
        reference = findLeaseRow(table, *leaseDate);
        if (reference < 0)
            return failure(kExitRevision,
                           QStringLiteral("Calcul impossible\u00a0: pas d’indice inférieur au %1.")
                               .arg(formatShortDate(table.rows.back().published, french)));
        if (leaseMayFollowAMissingIndex(table, *leaseDate))
            notices += kLeaseAfterKnownIndices.toString() + u'\n';
    }

    // The lease date plays the part of the lease-date box.
    RevisionRequest request;
    request.reference = table.rows[std::size_t(reference)].quarter;
    request.cents = args.rent;
    request.leaseDate = leaseDate;
    request.reeval = options.has(QStringLiteral("--reevaluate"));
    const Schedule schedule = reviseRents(table, request);
    if (!schedule.ok())
        return failure(kExitRevision, QStringLiteral("Calcul impossible. ") + schedule.message);

    CommandLineResult r;
    if (pdf.isEmpty())
        r.output = clipboardText(table, reference, schedule, request.reeval, french);
    else
        r = cli::writeRentPdf(pdf, table, reference, schedule, request.reeval);
    r.error.prepend(notices);
    return r;
}

} // namespace

} // namespace velmaris
