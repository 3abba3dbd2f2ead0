// SPDX-License-Identifier: GPL-3.0-or-later
// The index commands: a quarter typed by hand, INSEE's own file merged in.
#include "cli_p.h"

#include "datafolder.h"
#include "dates.h"
#include "deskmerge.h"
#include "indexfile.h"
#include "indexfiletarget.h"
#include "inseefile.h"
#include "officefigures.h"
#include "quarter.h"
#include "safefile.h"
#include "settings.h"
#include "typedindex.h"

#include <QDir>

namespace velmaris::cli {

namespace {

// The options a command takes besides its own; any other is a mistake.
std::optional<CommandLineResult> onlyOptions(const Options& options, const QStringList& allowed,
                                             const QString& command)
{
    for (const QString& name : options.names())
        if (!allowed.contains(name))
            return failure(kExitBadArguments,
                           QStringLiteral("L’option %1 ne va pas avec %2. (velmaris-cli --help)")
                               .arg(name, command));
    return std::nullopt;
}

// Where --add-index and --import-insee write: on a server register its
// figures (the desk's index file their copy), else the index file, which
// must exist.
std::optional<CommandLineResult>
chooseTarget(const Options& options, const QString& defaultIndexPath, const QString& dataFolder,
             LeaseStore& store, IndexTable& table, IndexTarget& target, QString* notice)
{
    QString why;
    const QString path = indexToComplete(options, defaultIndexPath, &why);
    if (path.isEmpty())
        return failure(kExitIndexFile, why);
    if (const RegisterChoice choice = chosenRegister(options, dataFolder);
        !choice.server && choice.error.isEmpty()) {
        if (!QFileInfo::exists(path))
            return failure(kExitIndexFile, indexMissingLine(path));
        target = indexFileTarget(path);
        return std::nullopt;
    }
    if (auto failed = openStore(options, dataFolder, store))
        return failed;
    table.filePath = path;
    if (auto failed = takeRegisterFigures(store, table, notice))
        return failed;
    target = officeTarget(store, table);
    return std::nullopt;
}

} // namespace

std::optional<CommandLineResult> takeRegisterFigures(LeaseStore& store, IndexTable& table,
                                                     QString* notice)
{
    const std::optional<OfficeFigures> taken = takeOfficeFigures(store, table, &mergeDeskIndex);
    if (!taken)
        return failure(
            kExitRegister,
            QStringLiteral("Indices du registre inaccessibles\u00a0: %1").arg(store.error()));
    for (const QString& said : {taken->summary, taken->notice})
        if (!said.isEmpty())
            *notice += said + u'\n';
    return std::nullopt;
}

QString dataFolderIndex(const Options& options, const QString& defaultPath)
{
    if (options.has(QStringLiteral("--data-folder"))) {
        const QString own = indexFileIn(options.value(QStringLiteral("--data-folder")));
        if (QFileInfo(own).isFile())
            return own;
    }
    return defaultPath;
}

QString indexToComplete(const Options& options, const QString& defaultPath, QString* why)
{
    if (options.has(QStringLiteral("--index-file")))
        return options.value(QStringLiteral("--index-file"));
    if (!options.has(QStringLiteral("--data-folder")))
        return defaultPath;
    const QString folder = options.value(QStringLiteral("--data-folder"));
    const QString own = indexFileIn(folder);
    if (QFileInfo::exists(own) || QFileInfo(own).isSymLink())
        return own;
    // The folder's own file, begun from the one the program reads: what is
    // added goes where every command on that folder reads it.
    if (const QString refusal = dataFolderRefusal(folder); !refusal.isEmpty()) {
        *why =
            QStringLiteral("Le fichier des indices du dossier %1 ne peut pas être créé\u00a0: %2.")
                .arg(QDir::toNativeSeparators(folder), refusal);
        return {};
    }
    const FileRead source = readRegularFile(defaultPath, kMaxIndexFileBytes);
    if (!source.ok()) {
        *why = indexMissingLine(defaultPath);
        return {};
    }
    QString reason;
    if (!writeFileSafely(own, source.bytes, &reason)) {
        *why = reason + u'.';
        return {};
    }
    return own;
}

CommandLineResult runAddIndex(const QStringList& arguments, const QString& defaultIndexPath,
                              const QString& defaultDataFolder)
{
    const QString command = QStringLiteral("--add-index");
    const qsizetype at = arguments.indexOf(command);
    if (at + 1 >= arguments.size() || arguments.at(at + 1).startsWith(u"--"))
        return failure(kExitBadArguments,
                       QStringLiteral("--add-index attend le trimestre puis l’IRL, par exemple "
                                      "--add-index 12026 146.60. (velmaris-cli --help)"));
    // The IRL is left out to complete a quarter the file holds (--corse, --outre-mer).
    const bool withIrl = at + 2 < arguments.size() && !arguments.at(at + 2).startsWith(u"--");
    QStringList rest = arguments;
    rest.remove(at, withIrl ? 3 : 2);
    Options options;
    if (auto error = parseOptions(rest, options))
        return failure(kExitBadArguments, *error + QStringLiteral(" (velmaris-cli --help)"));
    if (auto bad = onlyOptions(options,
                               {QStringLiteral("--published"), QStringLiteral("--corse"),
                                QStringLiteral("--outre-mer"), QStringLiteral("--index-file"),
                                QStringLiteral("--data-folder"), QStringLiteral("--register")},
                               command))
        return *bad;
    if (!withIrl && !options.has(QStringLiteral("--corse"))
        && !options.has(QStringLiteral("--outre-mer")))
        return failure(kExitBadArguments,
                       QStringLiteral("--add-index attend le trimestre puis l’IRL, par exemple "
                                      "--add-index 12026 146.60. (velmaris-cli --help)"));
    if (withIrl && !options.has(QStringLiteral("--published")))
        return failure(kExitBadArguments,
                       QStringLiteral("La date de parution manque (--published jj/mm/aaaa). "
                                      "(velmaris-cli --help)"));

    const QString key = arguments.at(at + 1);
    const std::optional<Quarter> quarter = Quarter::fromKey(key);
    if (!quarter)
        return failure(
            kExitBadArguments,
            QStringLiteral("Trimestre invalide\u00a0: «\u00a0%1\u00a0» (chiffre du trimestre puis "
                           "année, par exemple 12026).")
                .arg(key));
    TypedIndex entry;
    entry.quarter = *quarter;
    entry.irl = withIrl ? arguments.at(at + 2) : QString();
    entry.corse = options.value(QStringLiteral("--corse"));
    entry.outreMer = options.value(QStringLiteral("--outre-mer"));
    entry.published = options.value(QStringLiteral("--published"));
    for (const char* name : {"--corse", "--outre-mer"})
        if (options.has(QString::fromLatin1(name))
            && options.value(QString::fromLatin1(name)).trimmed().isEmpty())
            return failure(
                kExitBadArguments,
                QStringLiteral("L’option %1 attend une valeur.").arg(QString::fromLatin1(name)));

    LeaseStore store;
    IndexTable table;
    IndexTarget target;
    QString notice;
    if (auto failed = chooseTarget(options, defaultIndexPath, defaultDataFolder, store, table,
                                   target, &notice))
        return *failed;
    const QString error = saveTypedIndex(target, entry, QDate::currentDate());
    if (!error.isEmpty()) {
        CommandLineResult r =
            failure(registerFault(store.errorKind()) ? kExitRegister : kExitBadArguments,
                    typedIndexRefusal(error));
        r.error.prepend(notice);
        return r;
    }

    // The value as typed, with the decimal comma of every other output.
    CommandLineResult r;
    if (!withIrl) {
        QStringList filled;
        if (!entry.corse.trimmed().isEmpty())
            filled << QStringLiteral("IRL de Corse ") + entry.corse.trimmed().replace(u'.', u',');
        if (!entry.outreMer.trimmed().isEmpty())
            filled << QStringLiteral("IRL d’outre-mer ")
                          + entry.outreMer.trimmed().replace(u'.', u',');
        r.output = QStringLiteral("%1 complété %2\u00a0: %3.\n")
                       .arg(quarter->label(),
                            target.shared ? QStringLiteral("dans les indices du registre")
                                          : QStringLiteral("dans le fichier des indices"),
                            filled.join(QStringLiteral(", ")));
        r.error = notice;
        return r;
    }
    r.output = QStringLiteral("%1 ajouté %2\u00a0: IRL %3, paru le %4.\n")
                   .arg(quarter->label(),
                        target.shared ? QStringLiteral("aux indices du registre")
                                      : QStringLiteral("au fichier des indices"),
                        entry.irl.trimmed().replace(u'.', u','),
                        dateText(*parseFrenchDate(entry.published)));
    r.error = notice;
    return r;
}

CommandLineResult runImportInsee(const Options& options, const QString& defaultIndexPath,
                                 const QString& defaultDataFolder)
{
    const QString command = QStringLiteral("--import-insee");
    if (auto bad = onlyOptions(options,
                               {command, QStringLiteral("--index-file"),
                                QStringLiteral("--data-folder"), QStringLiteral("--register")},
                               command))
        return *bad;
    LeaseStore store;
    IndexTable table;
    IndexTarget target;
    QString notice;
    if (auto failed = chooseTarget(options, defaultIndexPath, defaultDataFolder, store, table,
                                   target, &notice))
        return *failed;
    const QString file = options.value(command);
    QString summary;
    // No one to ask: a value typed by hand that INSEE gives otherwise is refused and named.
    const QString error =
        importInseeFile(target, file, UpdateSettings(), QDate::currentDate(), nullptr, &summary);
    if (!error.isEmpty()) {
        CommandLineResult r =
            failure(registerFault(store.errorKind()) ? kExitRegister : kExitRefused,
                    QStringLiteral("Fichier de l’Insee refusé\u00a0: %1\u00a0: %2.")
                        .arg(QDir::toNativeSeparators(file), error));
        r.error.prepend(notice);
        return r;
    }
    CommandLineResult r;
    r.output = summary + u'\n';
    r.error = notice;
    return r;
}

} // namespace velmaris::cli
