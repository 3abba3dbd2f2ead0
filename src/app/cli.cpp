#include "cli.h"

#include "clipboardtext.h"
#include "dates.h"
#include "indexfile.h"
#include "leasedate.h"
#include "numbers.h"
#include "quarter.h"
#include "rententry.h"
#include "revision.h"
#include "staleness.h"

#include <optional>

namespace velmaris {

namespace {

struct Options {
    QString rent;
    QString quarter;
    QString leaseDate;
    QString indexFile;
    bool reevaluate = false;
    bool help = false;
    bool hasRent = false;
    bool hasQuarter = false;
    bool hasLeaseDate = false;
    bool hasIndexFile = false;
};

CommandLineResult failure(int status, const QString& message)
{
    CommandLineResult r;
    r.status = status;
    r.error = message + u'\n';
    return r;
}

// Reads the options; on a bad one returns the message.
std::optional<QString> parseOptions(const QStringList& arguments, Options& options)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        std::optional<QString> inlineValue;
        if (const qsizetype eq = name.indexOf(u'='); name.startsWith(u"--") && eq > 0) {
            inlineValue = name.mid(eq + 1);
            name = name.left(eq);
        }
        auto value = [&](QString& target, bool& seen) -> std::optional<QString> {
            if (seen)
                return QStringLiteral("L'option %1 est donnée deux fois.").arg(name);
            if (inlineValue) {
                target = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                target = arguments.at(++i);
            } else {
                return QStringLiteral("L'option %1 attend une valeur.").arg(name);
            }
            seen = true;
            return std::nullopt;
        };
        auto flag = [&](bool& seen) -> std::optional<QString> {
            if (seen)
                return QStringLiteral("L'option %1 est donnée deux fois.").arg(name);
            seen = true;
            return std::nullopt;
        };
        std::optional<QString> error;
        if (name == u"--rent")
            error = value(options.rent, options.hasRent);
        else if (name == u"--quarter")
            error = value(options.quarter, options.hasQuarter);
        else if (name == u"--lease-date")
            error = value(options.leaseDate, options.hasLeaseDate);
        else if (name == u"--index-file")
            error = value(options.indexFile, options.hasIndexFile);
        else if (name == u"--reevaluate" && !inlineValue)
            error = flag(options.reevaluate);
        else if ((name == u"--help" || name == u"-h") && !inlineValue)
            error = flag(options.help);
        else
            error = QStringLiteral("Option inconnue : %1").arg(arguments.at(i));
        if (error)
            return error;
    }
    return std::nullopt;
}

} // namespace

bool isCommandLine(const QStringList& arguments)
{
    return !arguments.isEmpty() && arguments.first().startsWith(u"--");
}

QString commandLineUsage()
{
    return QStringLiteral(
        "Usage :\n"
        "  velmaris --rent LOYER --quarter TRIMESTRE [--lease-date DATE] [--reevaluate] "
        "[--index-file FICHIER]\n"
        "  velmaris --rent LOYER --lease-date DATE [--reevaluate] [--index-file FICHIER]\n"
        "  velmaris [DOSSIER]          ouvre la fenêtre sur le fichier des indices du dossier\n"
        "\n"
        "Imprime sur la sortie standard le tableau de révision que le bouton « Copier » met\n"
        "dans le presse-papiers (colonnes séparées par des tabulations).\n"
        "\n"
        "  --rent LOYER          loyer de référence, tel qu'on le tape (850, \"1 234,50\", "
        "1234.5)\n"
        "  --quarter TRIMESTRE   trimestre de référence : chiffre du trimestre puis année "
        "(32019 = 3e trimestre 2019)\n"
        "  --lease-date DATE     date du bail (jj/mm/aaaa) ; seule, elle choisit le dernier "
        "indice publié à cette date\n"
        "  --reevaluate          loyer « réévalué » : les baisses d'indice s'appliquent\n"
        "  --index-file FICHIER  fichier des indices (par défaut celui du programme)\n"
        "  --help                cette aide\n"
        "\n"
        "Codes de sortie : 0 fait, 2 arguments invalides, 3 fichier des indices absent ou "
        "corrompu, 4 révision impossible.\n");
}

QLocale commandLineLocale()
{
    QLocale locale(QLocale::French, QLocale::France);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

CommandLineResult runCommandLine(const QStringList& arguments, const QString& defaultIndexPath)
{
    const QLocale locale = commandLineLocale();
    Options options;
    if (const auto error = parseOptions(arguments, options))
        return failure(kExitBadArguments, *error + QStringLiteral(" (velmaris --help)"));
    if (options.help) {
        CommandLineResult r;
        r.output = commandLineUsage();
        return r;
    }
    if (!options.hasRent)
        return failure(kExitBadArguments,
                       QStringLiteral("Le loyer de référence manque (--rent). (velmaris --help)"));
    if (!options.hasQuarter && !options.hasLeaseDate)
        return failure(kExitBadArguments,
                       QStringLiteral("Indiquez le trimestre de référence (--quarter) ou la date "
                                      "du bail (--lease-date). (velmaris --help)"));

    // A script must say exactly what it means: an amount as a rent box shows it.
    const std::optional<qint64> rent = parseStrictAmount(options.rent);
    if (!rent || *rent <= 0)
        return failure(
            kExitBadArguments,
            QStringLiteral("Loyer invalide : « %1 » (un montant positif, par exemple 850 "
                           "ou \"1 234,50\").")
                .arg(options.rent));

    std::optional<Quarter> quarter;
    if (options.hasQuarter) {
        quarter = Quarter::fromKey(options.quarter);
        if (!quarter)
            return failure(kExitBadArguments,
                           QStringLiteral("Trimestre invalide : « %1 » (chiffre du trimestre puis "
                                          "année, par exemple 32019).")
                               .arg(options.quarter));
    }
    std::optional<QDate> leaseDate;
    if (options.hasLeaseDate) {
        leaseDate = parseFrenchDate(options.leaseDate);
        if (!leaseDate)
            return failure(kExitBadArguments,
                           QStringLiteral("Date du bail invalide : « %1 » (jj/mm/aaaa attendu).")
                               .arg(options.leaseDate));
    }

    IndexTable table;
    table.filePath = options.indexFile.isEmpty() ? defaultIndexPath : options.indexFile;
    const IndexFileResult loaded = loadIndexTable(table);
    if (!loaded.ok()) {
        const QString text =
            loaded.status == IndexFileResult::Status::Missing
                ? QStringLiteral("Fichier des indices introuvable : %1").arg(table.filePath)
                : QStringLiteral("Fichier des indices corrompu : %1 : %2.")
                      .arg(table.filePath, corruptionDetail(loaded));
        return failure(kExitIndexFile, text);
    }
    if (table.rows.empty())
        return failure(kExitIndexFile, QStringLiteral("Le fichier des indices ne contient aucun "
                                                      "trimestre : %1")
                                           .arg(table.filePath));

    // What the user must know even when the revision works: said on standard
    // error, the output and the status stay what they are.
    QString notices;
    if (const auto stale = staleness(table, QDate::currentDate()))
        notices += stalenessText(*stale)
                   + QStringLiteral(" Mise à jour… (bouton « Mise à jour » "
                                    "de la fenêtre)\n");

    int reference = -1;
    if (quarter) {
        reference = table.rowOf(*quarter);
        if (reference < 0)
            return failure(kExitBadArguments,
                           QStringLiteral("Trimestre absent du fichier des indices : %1 (%2).")
                               .arg(options.quarter.trimmed(), quarter->label()));
    } else {
        reference = findLeaseRow(table, *leaseDate);
        if (reference < 0)
            return failure(kExitRevision,
                           QStringLiteral("Calcul impossible : pas d'indice inférieur au %1.")
                               .arg(formatShortDate(table.rows.back().published, locale)));
        if (leaseMayFollowAMissingIndex(table, *leaseDate))
            notices += kLeaseAfterKnownIndices.toString() + u'\n';
    }

    // The lease date plays the part of the lease-date box.
    table.referenceRow = reference;
    RevisionRequest request;
    request.reference = table.rows[std::size_t(reference)].quarter;
    request.cents = *rent;
    request.leaseDate = leaseDate;
    request.reeval = options.reevaluate;
    const Schedule schedule = reviseRents(table, request);
    if (!schedule.ok())
        return failure(kExitRevision, QStringLiteral("Calcul impossible. ") + schedule.message);

    CommandLineResult r;
    r.output = clipboardText(table, schedule, options.reevaluate, locale);
    r.error = notices;
    return r;
}

} // namespace velmaris
