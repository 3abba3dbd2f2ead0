#include "cli.h"

#include "clipboardtext.h"
#include "dates.h"
#include "indexfile.h"
#include "leasedate.h"
#include "numbers.h"
#include "rententry.h"
#include "revision.h"

#include <QRegularExpression>

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
        bool unused = false;
        std::optional<QString> error;
        if (name == u"--rent")
            error = value(options.rent, options.hasRent);
        else if (name == u"--quarter")
            error = value(options.quarter, options.hasQuarter);
        else if (name == u"--lease-date")
            error = value(options.leaseDate, options.hasLeaseDate);
        else if (name == u"--index-file")
            error = value(options.indexFile, unused);
        else if (name == u"--reevaluate" && !inlineValue)
            options.reevaluate = true;
        else if ((name == u"--help" || name == u"-h") && !inlineValue)
            options.help = true;
        else
            error = QStringLiteral("Option inconnue : %1").arg(arguments.at(i));
        if (error)
            return error;
    }
    return std::nullopt;
}

int rowOfQuarter(const IndexTable& table, const QString& key)
{
    static const QRegularExpression keyPattern(QStringLiteral("^[1-4][0-9]{4}$"));
    if (!keyPattern.match(key).hasMatch())
        return -1;
    const QString label = quarterLabel(key);
    for (int r = 0; r <= table.lastRow(); ++r)
        if (table.rows[std::size_t(r)].label == label)
            return r;
    return -1;
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

CommandLineResult runCommandLine(const QStringList& arguments, const QString& defaultIndexPath,
                                 const QLocale& locale)
{
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

    // The rent as the rent box keeps it after Enter.
    const std::optional<QString> rent = normaliseRentText(options.rent, locale);
    if (!rent || parseNumber(*rent) == 0)
        return failure(kExitBadArguments,
                       QStringLiteral("Loyer invalide : « %1 ».").arg(options.rent));

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
                : QStringLiteral("Fichier des indices corrompu (ligne %1) : %2")
                      .arg(loaded.badLine)
                      .arg(table.filePath);
        return failure(kExitIndexFile, text);
    }

    int reference = -1;
    if (options.hasQuarter) {
        reference = rowOfQuarter(table, options.quarter);
        if (reference < 0)
            return failure(kExitBadArguments,
                           QStringLiteral("Trimestre absent du fichier des indices : %1")
                               .arg(options.quarter));
    } else {
        reference = findLeaseRow(table, *leaseDate);
        if (reference < 0)
            return failure(kExitRevision,
                           QStringLiteral("Calcul impossible : pas d'indice inférieur au %1.")
                               .arg(formatShortDate(table.rows.back().published, locale)));
    }

    // The lease date plays the part of the lease-date box; the window keeps the
    // text as typed, which the revision reads again.
    clearRents(table);
    table.referenceRow = reference;
    table.rows[std::size_t(reference)].rent = *rent;
    const RevisionResult revised =
        reviseRents(table, reference, options.hasLeaseDate ? options.leaseDate : QString(),
                    options.reevaluate, locale);
    if (!revised.ok())
        return failure(kExitRevision, QStringLiteral("Calcul impossible. ") + revised.message);

    CommandLineResult r;
    r.output = clipboardText(table, options.reevaluate, locale);
    return r;
}

} // namespace velmaris
