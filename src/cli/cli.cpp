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
                                                      "trimestre : %1")
                                           .arg(table.filePath));
    return std::nullopt;
}

QString stalenessNotice(const IndexTable& table)
{
    if (const auto stale = staleness(table, QDate::currentDate()))
        return stalenessText(*stale)
               + QStringLiteral(" À obtenir par « Mise à jour » ou « Saisir un indice… » "
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
                       QStringLiteral("Date invalide pour %1 : « %2 » (jj/mm/aaaa attendu).")
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
    QStringLiteral("--months"),
};
const QStringList kFlags = {QStringLiteral("--reevaluate"), QStringLiteral("--leases"),
                            QStringLiteral("--apply-due"),  QStringLiteral("--all"),
                            QStringLiteral("--help"),       QStringLiteral("-h")};

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
            return QStringLiteral("Option inconnue : %1").arg(arguments.at(i));
        if (options.has(name))
            return QStringLiteral("L'option %1 est donnée deux fois.").arg(name);
        QString value;
        if (valued) {
            if (inlineValue)
                value = *inlineValue;
            else if (i + 1 < arguments.size())
                value = arguments.at(++i);
            else
                return QStringLiteral("L'option %1 attend une valeur.").arg(name);
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
        QStringLiteral("--calendar"),
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

CommandLineResult reviseRent(const Options& options, const QString& defaultIndexPath);

} // namespace

QString commandLineUsage()
{
    return QStringLiteral(
        "Usage :\n"
        "  velmaris-cli --rent LOYER --quarter TRIMESTRE [--lease-date DATE] [--reevaluate] "
        "[--index-file FICHIER]\n"
        "  velmaris-cli --rent LOYER --lease-date DATE [--reevaluate] [--index-file FICHIER]\n"
        "  velmaris-cli --leases [--all] [--date DATE]\n"
        "  velmaris-cli --revise-lease RÉFÉRENCE [--request-date DATE]\n"
        "  velmaris-cli --import-leases FICHIER.csv\n"
        "  velmaris-cli --export-leases FICHIER.csv\n"
        "  velmaris-cli --apply-revision RÉFÉRENCE [--request-date DATE]\n"
        "  velmaris-cli --apply-due [--date DATE]\n"
        "  velmaris-cli --audit-lease RÉFÉRENCE [--charged FICHIER.csv] [--date DATE]\n"
        "  velmaris-cli --calendar FICHIER.ics [--months N] [--date DATE]\n"
        "  velmaris-cli --backup FICHIER | --restore FICHIER\n"
        "  velmaris-cli --add-index TRIMESTRE IRL --published DATE [--corse IRL] [--outre-mer "
        "IRL]\n"
        "  velmaris-cli --import-insee FICHIER.csv|FICHIER.zip\n"
        "  velmaris [DOSSIER]          la fenêtre, sur le fichier des indices du dossier\n"
        "\n"
        "Avec --rent, imprime sur la sortie standard le tableau de révision que le bouton\n"
        "« Copier » met dans le presse-papiers (colonnes séparées par des tabulations).\n"
        "\n"
        "  --rent LOYER          loyer de référence (850, \"1 234,50\", 1234.5)\n"
        "  --quarter TRIMESTRE   trimestre de référence : chiffre du trimestre puis année "
        "(32019 = 3e trimestre 2019)\n"
        "  --lease-date DATE     date du bail (jj/mm/aaaa) ; seule, elle choisit le dernier "
        "indice publié à cette date\n"
        "  --reevaluate          loyer « réévalué » : les baisses d'indice s'appliquent\n"
        "  --index-file FICHIER  fichier des indices (par défaut celui du programme)\n"
        "\n"
        "Registre des baux (Velmaris.sqlite) :\n"
        "  --leases              les baux à réviser (avec --all : tous), en colonnes séparées "
        "par des tabulations\n"
        "  --date DATE           la date à laquelle --leases les regarde, ou celle de "
        "l'audit (aujourd'hui par défaut)\n"
        "  --revise-lease REF    le calcul de la révision légale du bail REF\n"
        "  --request-date DATE   la date de la demande de révision (aujourd'hui par défaut)\n"
        "  --import-leases F     importe les baux du fichier CSV F (tout ou rien)\n"
        "  --export-leases F     écrit tous les baux dans le fichier CSV F\n"
        "  --apply-revision REF  enregistre la révision légale du bail REF, comme « Appliquer »\n"
        "  --apply-due           enregistre d'un coup toutes les révisions dues à --date\n"
        "                        (aujourd'hui par défaut), demandées ce jour-là ; dit celles\n"
        "                        qui ne peuvent pas l'être et pourquoi (code 4 : aucune due)\n"
        "  --audit-lease REF     l'audit des loyers facturés du bail REF, en colonnes séparées "
        "par des tabulations\n"
        "  --charged F           les loyers facturés lus du fichier CSV F (le registre n'est "
        "pas modifié)\n"
        "  --calendar F          écrit dans F (iCalendar) les dates de révision des baux et\n"
        "                        le dernier jour pour demander chacune, avec un rappel,\n"
        "                        des --months N mois (12 par défaut) à partir de --date\n"
        "                        (aujourd'hui par défaut)\n"
        "  --backup F            sauvegarde tout le registre (historique, loyers facturés, "
        "bailleur) dans F\n"
        "  --restore F           remplace le registre par la sauvegarde F (l'ancien est gardé)\n"
        "  --data-folder DOSSIER dossier des données : son registre, ses réglages et son\n"
        "                        fichier des indices s'il en a un (par défaut le dossier des\n"
        "                        données du programme)\n"
        "  --register ADRESSE    le registre partagé d'un serveur PostgreSQL\n"
        "                        (postgresql://utilisateur@hôte:port/base ; mot de passe :\n"
        "                        ~/.pgpass ou PGPASSWORD)\n"
        "  --copy-register CIBLE copie tout le registre dans une base PostgreSQL vide\n"
        "                        (postgresql://…) ou, depuis le serveur, dans un dossier\n"
        "\n"
        "Fichier des indices :\n"
        "  --add-index T IRL     ajoute le trimestre T (le suivant du fichier) saisi à la main,\n"
        "                        paru le --published DATE ; --corse et --outre-mer : ses IRL\n"
        "                        de Corse et d'outre-mer\n"
        "  --import-insee F      complète le fichier par le fichier de l'Insee F (CSV ou ZIP)\n"
        "                        (avec --data-folder : le fichier des indices de ce dossier)\n"
        "  Sur un registre partagé (--register, ou la section [REGISTRE] des réglages), ces\n"
        "  deux commandes complètent les indices du registre, pour tous les postes\u00a0; le\n"
        "  fichier des indices du poste en est la copie.\n"
        "  --help, -h, -?        cette aide\n"
        "\n"
        "Codes de sortie : 0 fait, 2 arguments invalides, 3 fichier des indices absent ou "
        "corrompu, 4 révision impossible, 5 registre inaccessible, 6 fichier CSV refusé.\n");
}

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
        return reviseRent(options, indexPath);
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
                           QStringLiteral("L'option %1 ne sert qu'aux commandes des baux. "
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
            QStringLiteral("Loyer invalide : « %1 » (un montant positif, par exemple 850 "
                           "ou \"1 234,50\").")
                .arg(rentText));
    args.rent = *rent;

    args.quarterText = options.value(QStringLiteral("--quarter"));
    if (hasQuarter) {
        args.quarter = Quarter::fromKey(args.quarterText);
        if (!args.quarter)
            return failure(kExitBadArguments,
                           QStringLiteral("Trimestre invalide : « %1 » (chiffre du trimestre puis "
                                          "année, par exemple 32019).")
                               .arg(args.quarterText));
    }
    if (hasLeaseDate) {
        args.leaseDate = parseFrenchDate(options.value(QStringLiteral("--lease-date")));
        if (!args.leaseDate)
            return failure(kExitBadArguments,
                           QStringLiteral("Date du bail invalide : « %1 » (jj/mm/aaaa attendu).")
                               .arg(options.value(QStringLiteral("--lease-date"))));
    }
    return std::nullopt;
}

CommandLineResult reviseRent(const Options& options, const QString& defaultIndexPath)
{
    const NumberStyle french; // the same bytes on every machine
    RentArguments args;
    if (auto bad = readRentArguments(options, args))
        return *bad;
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
                           QStringLiteral("Trimestre absent du fichier des indices : %1 (%2).")
                               .arg(args.quarterText.trimmed(), quarter->label()));
    } else {
        reference = findLeaseRow(table, *leaseDate);
        if (reference < 0)
            return failure(kExitRevision,
                           QStringLiteral("Calcul impossible : pas d'indice inférieur au %1.")
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
    r.output = clipboardText(table, reference, schedule, request.reeval, french);
    r.error = notices;
    return r;
}

} // namespace

} // namespace velmaris
