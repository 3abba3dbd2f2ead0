// SPDX-License-Identifier: GPL-3.0-or-later
// The lease register from the command line: the due list, one lease's
// revision, CSV import and export.
#include "cli_p.h"
#include "typography.h"

#include "amounts.h"
#include "datafolder.h"
#include "dates.h"
#include "indexvalue.h"
#include "lawfulrevision.h"
#include "lease.h"
#include "leasecsv.h"
#include "leaseregister.h"
#include "leasestore.h"
#include "postaladdress.h"
#include "settings.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace velmaris::cli {

// Tabs or line ends inside a field would shift the columns of a TSV line.
QString field(QString text)
{
    text.replace(u'\t', u' ');
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

QString registerFolder(const Options& options, const QString& defaultFolder)
{
    return options.has(QStringLiteral("--data-folder"))
               ? options.value(QStringLiteral("--data-folder"))
               : defaultFolder;
}

RegisterChoice chosenRegister(const Options& options, const QString& defaultFolder)
{
    RegisterChoice choice;
    if (options.has(QStringLiteral("--register"))) {
        QString why;
        choice.server = serverFromAddress(options.value(QStringLiteral("--register")), &why);
        if (!choice.server)
            choice.error = QStringLiteral("Option --register\u00a0: %1.").arg(why);
        return choice;
    }
    const RegisterSettings settings = readRegisterSettings(
        QDir(registerFolder(options, defaultFolder)).filePath(QStringLiteral("Velmaris.ini")));
    if (settings.isSet())
        choice.server =
            RegisterServer{settings.host,    settings.port, settings.database,   settings.user,
                           settings.sslmode, QString(),     settings.sslrootcert};
    return choice;
}

namespace {

// The desk's own landlord ([BAILLEUR]) goes to the leases an earlier version
// kept without owner, as when the window opens the register.
std::optional<CommandLineResult> adoptDeskLandlord(const Options& options,
                                                   const QString& defaultFolder, LeaseStore& store)
{
    if (options.has(QStringLiteral("--restore")))
        return std::nullopt; // the backup's owners come with it
    const LandlordSettings landlord = readLandlord(
        QDir(registerFolder(options, defaultFolder)).filePath(QStringLiteral("Velmaris.ini")));
    if (!store.adoptLandlord(landlord.name, landlord.address))
        return failure(kExitRegister,
                       QStringLiteral("Registre des baux inaccessible\u00a0: %1").arg(store.error()));
    return std::nullopt;
}

std::optional<CommandLineResult> openChosenStore(const Options& options,
                                                 const QString& defaultFolder, LeaseStore& store);

} // namespace

std::optional<CommandLineResult> openStore(const Options& options, const QString& defaultFolder,
                                           LeaseStore& store)
{
    if (auto failed = openChosenStore(options, defaultFolder, store))
        return failed;
    return adoptDeskLandlord(options, defaultFolder, store);
}

namespace {

std::optional<CommandLineResult> openChosenStore(const Options& options,
                                                 const QString& defaultFolder, LeaseStore& store)
{
    // The office's server, named on the command line or in the settings. The
    // password comes from libpq's own ways (~/.pgpass, PGPASSWORD): a command
    // never asks.
    if (const RegisterChoice choice = chosenRegister(options, defaultFolder);
        !choice.error.isEmpty())
        return failure(kExitBadArguments, choice.error + QStringLiteral(" (velmaris-cli --help)"));
    else if (choice.server) {
        // As for a folder: only an import or a restore starts a register there.
        const bool fills = options.has(QStringLiteral("--import-leases"))
                           || options.has(QStringLiteral("--restore"));
        if (!store.openServer(*choice.server, fills ? Creation::Allowed : Creation::Refused))
            return failure(
                kExitRegister,
                QStringLiteral("Registre des baux inaccessible\u00a0: %1").arg(store.error()));
        return std::nullopt;
    }
    const QString folder = registerFolder(options, defaultFolder);
    QString refusal = dataFolderRefusal(folder);
    // A folder named on the command line starts a register only by an import
    // or a restore: a command that reads never leaves an empty one behind (in /
    // for a slip of the keyboard). The program's own data folder is its to fill.
    if (refusal.isEmpty() && options.has(QStringLiteral("--data-folder"))
        && !options.has(QStringLiteral("--import-leases"))
        && !options.has(QStringLiteral("--restore"))
        && !QFileInfo::exists(QDir(folder).filePath(LeaseStore::fileName())))
        refusal = QStringLiteral("aucun registre des baux (%1) dans le dossier «\u00a0%2\u00a0»\u00a0: "
                                 "importez des baux (--import-leases), restaurez une "
                                 "sauvegarde (--restore) ou ouvrez la fenêtre «\u00a0Baux\u00a0»")
                      .arg(LeaseStore::fileName(), QDir::toNativeSeparators(folder));
    if (!refusal.isEmpty() || !store.open(folder))
        return failure(kExitRegister, QStringLiteral("Registre des baux inaccessible\u00a0: %1")
                                          .arg(refusal.isEmpty() ? store.error() : refusal));
    return std::nullopt;
}

} // namespace

std::optional<CommandLineResult> startLeaseCommand(const Options& options, const QString& command,
                                                   const QString& dateName,
                                                   const QStringList& allowed,
                                                   const QString& indexPath,
                                                   const QString& dataFolder, LeaseCommand& run)
{
    if (auto bad = onlyOptions(options, command, allowed + QStringList{dateName}))
        return bad;
    if (auto bad = dateOption(options, dateName, run.date))
        return bad;
    // On a shared register every desk computes from the register's figures:
    // the desk's own file seeds or completes them, then becomes their copy. A
    // file named by --index-file serves only while the register holds none.
    if (chosenRegister(options, dataFolder).server) {
        if (auto failed = openStore(options, dataFolder, run.store))
            return failed;
        run.table.filePath = indexPath;
        if (auto failed = takeRegisterFigures(run.store, run.table, &run.notice))
            return failed;
        if (!run.table.rows.empty())
            return std::nullopt;
        return loadTable(options, indexPath, run.table);
    }
    if (auto failed = loadTable(options, indexPath, run.table))
        return failed;
    return openStore(options, dataFolder, run.store);
}

// Options each lease command takes besides --index-file and --data-folder.
std::optional<CommandLineResult> onlyOptions(const Options& options, const QString& command,
                                             const QStringList& allowed)
{
    for (const QString& name : options.names()) {
        if (name == command || name == u"--index-file" || name == u"--data-folder"
            || name == u"--register" || allowed.contains(name))
            continue;
        return failure(kExitBadArguments,
                       QStringLiteral("L’option %1 ne va pas avec %2. (velmaris-cli --help)")
                           .arg(name, command));
    }
    return std::nullopt;
}

namespace {

CommandLineResult listLeases(const Options& options, const QString& indexPath,
                             const QString& dataFolder)
{
    LeaseCommand run;
    if (auto failed =
            startLeaseCommand(options, QStringLiteral("--leases"), QStringLiteral("--date"),
                              {QStringLiteral("--all")}, indexPath, dataFolder, run))
        return *failed;
    LeaseStore& store = run.store;
    const IndexTable& table = run.table;
    const QDate at = run.date;
    const auto leases = store.leases();
    const auto last = store.lastRevisions();
    if (!leases || !last)
        return failure(kExitRegister, store.error());

    CommandLineResult r;
    r.output = QStringLiteral("Référence\tLocataire\tTerritoire\tLoyer\tProchaine révision\t"
                              "État\r\n");
    for (const RegisterLine& line :
         registerLines(*leases, *last, table, at, !options.has(QStringLiteral("--all")))) {
        const Lease& lease = *line.lease;
        r.output += field(lease.reference) + u'\t' + field(lease.tenant) + u'\t'
                    + territoryText(lease.territory) + u'\t'
                    + amountText(lease.rentCents, AmountLayout::Plain) + u'\t'
                    + dateText(line.status.due) + u'\t' + line.status.text()
                    + QStringLiteral("\r\n");
    }
    r.error = run.notice + stalenessNotice(table);
    return r;
}

CommandLineResult reviseOne(const Options& options, const QString& indexPath,
                            const QString& dataFolder)
{
    LeaseCommand command;
    if (auto failed =
            startLeaseCommand(options, QStringLiteral("--revise-lease"),
                              QStringLiteral("--request-date"), {}, indexPath, dataFolder, command))
        return *failed;
    LeaseRevisionRun run;
    if (auto failed =
            computeRevision(command.store, options.value(QStringLiteral("--revise-lease")),
                            command.table, command.date, run))
        return *failed;
    run.result.error.prepend(command.notice);
    return run.result;
}

} // namespace

std::optional<CommandLineResult> findLeaseAndHistory(LeaseStore& store, const QString& reference,
                                                     Lease& lease,
                                                     std::vector<RevisionRecord>& history)
{
    const std::optional<Lease> found = store.findLease(reference);
    if (!found)
        return failure(store.errorKind() == StoreError::NotFound ? kExitBadArguments
                                                                 : kExitRegister,
                       store.error());
    auto records = store.history(found->id);
    if (!records)
        return failure(kExitRegister, store.error());
    lease = *found;
    history = std::move(*records);
    return std::nullopt;
}

std::optional<CommandLineResult> computeRevision(LeaseStore& store, const QString& reference,
                                                 const IndexTable& table, const QDate& request,
                                                 LeaseRevisionRun& run)
{
    std::vector<RevisionRecord> history;
    if (auto failed = findLeaseAndHistory(store, reference, run.lease, history))
        return failed;
    run.revision = reviseLease(run.lease, history, table, request);
    const LawfulRevision& revision = run.revision;
    const Lease& lease = run.lease;

    QString text;
    auto line = [&](const QString& t) { text += t + QStringLiteral("\r\n"); };
    // The address and postal code as far as they are known, with no stray blank.
    const QString where = dwellingText(lease);
    line(QStringLiteral("Bail %1\u00a0: %2, %3 (%4)")
             .arg(field(lease.reference), field(lease.tenant), where,
                  territoryText(lease.territory)));
    line(QStringLiteral("État au %1\u00a0: %2").arg(dateText(request), revision.status.text()));
    if (revision.computed) {
        line(QStringLiteral("Révision du %1, demandée le %2, effet le %3")
                 .arg(dateText(revision.status.due), dateText(revision.requestDate),
                      dateText(revision.effectiveDate)));
        line(QStringLiteral("Indice de base\u00a0: %1 du %2 = %3")
                 .arg(seriesName(revision.series), revision.baseQuarter.label(),
                      indexText(revision.baseValue)));
        line(QStringLiteral("Nouvel indice\u00a0: %1 du %2 = %3")
                 .arg(seriesName(revision.series), revision.newQuarter.label(),
                      indexText(revision.newValue)));
        line(QStringLiteral("Loyer actuel\u00a0: ") + eurosText(revision.oldRentCents));
        line(QStringLiteral("Nouveau loyer\u00a0: ") + eurosText(revision.newRentCents));
    } else if (revision.frozen) {
        // No index needed: the rent stays as it is.
        line(QStringLiteral("Loyer actuel\u00a0: ") + eurosText(revision.oldRentCents));
        line(QStringLiteral("Nouveau loyer\u00a0: ") + eurosText(revision.newRentCents)
             + QStringLiteral(" (inchangé, loyer gelé)"));
    }
    for (const ExplanationLine& e : revision.lines)
        line(e.reference.isEmpty() ? e.text : e.text + QStringLiteral(" (") + e.reference + u')');

    CommandLineResult& r = run.result;
    r = CommandLineResult();
    r.output = text;
    r.error = stalenessNotice(table);
    if (!revision.computed && !revision.error.isEmpty()) {
        r.status = kExitRevision;
        r.error += QStringLiteral("Calcul impossible. ") + revision.error + u'\n';
    }
    return std::nullopt;
}

// Why an export or a backup may not go to path: the program's data, by the
// folders in use and by the default ones, is never written over.
QString outputRefusalFor(const Options& options, const QString& path, const QString& indexPath,
                         const QString& dataFolder)
{
    std::vector<DataFolders> sets(2);
    sets[0].indexFolder = QFileInfo(indexPath).absolutePath();
    sets[0].settingsFolder = sets[0].dataFolder = dataFolder;
    sets[1].indexFolder = QFileInfo(options.has(QStringLiteral("--index-file"))
                                        ? options.value(QStringLiteral("--index-file"))
                                        : indexPath)
                              .absolutePath();
    sets[1].settingsFolder = sets[1].dataFolder = registerFolder(options, dataFolder);
    for (const DataFolders& folders : sets) {
        // An unknown folder would stand for the current one.
        if (folders.dataFolder.isEmpty())
            continue;
        if (const QString refusal = outputRefusal(path, folders); !refusal.isEmpty())
            return refusal;
    }
    return writeRefusal(path);
}

namespace {

CommandLineResult importLeases(const Options& options, const QString& dataFolder)
{
    if (auto bad = onlyOptions(options, QStringLiteral("--import-leases"), {}))
        return *bad;
    LeaseStore store;
    if (auto failed = openStore(options, dataFolder, store))
        return *failed;
    const QString path = options.value(QStringLiteral("--import-leases"));
    const ImportOutcome outcome = importLeasesCsv(store, path);
    if (!outcome.ok) {
        CommandLineResult r;
        r.status = registerFault(store.errorKind()) ? kExitRegister : kExitRefused;
        r.error = QStringLiteral("Aucun bail importé de %1\u00a0:\n").arg(path);
        for (const QString& e : outcome.errors)
            r.error += QStringLiteral("  ") + e + u'\n';
        return r;
    }
    CommandLineResult r;
    r.output = QStringLiteral("%1 de %2.\n")
                   .arg(countOf(outcome.imported, u"bail importé", u"baux importés"), path);
    return r;
}

CommandLineResult exportLeases(const Options& options, const QString& indexPath,
                               const QString& dataFolder)
{
    if (auto bad = onlyOptions(options, QStringLiteral("--export-leases"), {}))
        return *bad;
    const QString path = options.value(QStringLiteral("--export-leases"));
    if (const QString refusal = outputRefusalFor(options, path, indexPath, dataFolder);
        !refusal.isEmpty())
        return failure(kExitRefused, QStringLiteral("Export impossible\u00a0: %1.").arg(refusal));
    LeaseStore store;
    if (auto failed = openStore(options, dataFolder, store))
        return *failed;
    QString error;
    int written = 0;
    // The count is said only once the file is on the disk.
    if (!exportLeasesCsv(store, path, &error, &written))
        return failure(kExitRegister, error);
    CommandLineResult r;
    r.output =
        QStringLiteral("%1 dans %2.\n").arg(countOf(written, u"bail écrit", u"baux écrits"), path);
    return r;
}

} // namespace

CommandLineResult runLeaseCommand(const Options& options, const QString& defaultIndexPath,
                                  const QString& defaultDataFolder)
{
    if (options.has(QStringLiteral("--leases")))
        return listLeases(options, defaultIndexPath, defaultDataFolder);
    if (options.has(QStringLiteral("--revise-lease")))
        return reviseOne(options, defaultIndexPath, defaultDataFolder);
    if (options.has(QStringLiteral("--import-leases")))
        return importLeases(options, defaultDataFolder);
    if (options.has(QStringLiteral("--export-leases")))
        return exportLeases(options, defaultIndexPath, defaultDataFolder);
    if (options.has(QStringLiteral("--audit-lease")))
        return runAuditLease(options, defaultIndexPath, defaultDataFolder);
    return runRegisterCommand(options, defaultIndexPath, defaultDataFolder);
}

} // namespace velmaris::cli
