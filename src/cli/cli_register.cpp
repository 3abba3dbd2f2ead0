// SPDX-License-Identifier: GPL-3.0-or-later
// The register from the command line, whole: a revision recorded as
// "Appliquer" records it, a backup of the register and its restore.
#include "cli_p.h"
#include "typography.h"

#include "amounts.h"
#include "datafolder.h"
#include "dates.h"
#include "duebatch.h"
#include "leasestore.h"
#include "quoting.h"
#include "safefile.h"
#include "settings.h"

#include <QDir>
#include <QFileInfo>

namespace velmaris::cli {

bool registerFault(StoreError kind)
{
    switch (kind) {
    case StoreError::NotOpen:
    case StoreError::Busy:
    case StoreError::ReadOnly:
    case StoreError::Full:
    case StoreError::Damaged:
    case StoreError::Newer:
    case StoreError::Unavailable:
    case StoreError::Password:
    case StoreError::NoRegister:
    case StoreError::Conflict: // another program changed the lease under this one
        return true;
    case StoreError::None:
    case StoreError::NotFound:
    case StoreError::Refused:
    case StoreError::Canceled:
        return false;
    }
    return true;
}

namespace {

QString settingsPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("Velmaris.ini"));
}

CommandLineResult applyRevision(const Options& options, const QString& indexPath,
                                const QString& dataFolder)
{
    LeaseCommand command;
    if (auto failed =
            startLeaseCommand(options, QStringLiteral("--apply-revision"),
                              QStringLiteral("--request-date"), {}, indexPath, dataFolder, command))
        return *failed;
    LeaseStore& store = command.store;
    const QDate request = command.date;
    if (const QDate today = QDate::currentDate(); request > today)
        return failure(kExitBadArguments, requestAheadText(request, today));
    LeaseRevisionRun run;
    if (auto failed = computeRevision(store, options.value(QStringLiteral("--apply-revision")),
                                      command.table, request, run))
        return *failed;
    CommandLineResult r = run.result;
    r.error.prepend(command.notice);
    if (r.status != 0)
        return r;
    const LawfulRevision& revision = run.revision;
    if (!revision.canApply()) {
        r.status = kExitRevision;
        r.error += QStringLiteral("Aucune révision à enregistrer au %1\u00a0: %2.\n")
                       .arg(dateText(request), revision.status.text());
        return r;
    }
    // Recorded only on the lease as it was read: a change made meanwhile by
    // another program refuses it.
    if (!store.appendRevision(revision.record(run.lease.id), run.lease.version))
        return failure(registerFault(store.errorKind()) ? kExitRegister : kExitRevision,
                       store.error());
    r.output += QStringLiteral("Révision enregistrée\u00a0: loyer %1 porté à %2 à compter du %3.\r\n")
                    .arg(eurosText(revision.oldRentCents), eurosText(revision.newRentCents),
                         dateText(revision.effectiveDate));
    return r;
}

CommandLineResult backup(const Options& options, const QString& indexPath,
                         const QString& dataFolder)
{
    if (auto bad = onlyOptions(options, QStringLiteral("--backup"), {}))
        return *bad;
    const QString folder = registerFolder(options, dataFolder);
    const QString target = options.value(QStringLiteral("--backup"));
    if (const QString why = outputRefusalFor(options, target, indexPath, dataFolder);
        !why.isEmpty())
        return failure(kExitBadArguments, QStringLiteral("Sauvegarde impossible\u00a0: %1.").arg(why));
    LeaseStore store;
    if (auto failed = openStore(options, dataFolder, store))
        return *failed;
    const LandlordSettings landlord = Settings(settingsPath(folder)).landlord();
    const BackupLandlord carried{landlord.name, landlord.address, landlord.place};
    if (!store.backupTo(target, &carried))
        return failure(registerFault(store.errorKind()) ? kExitRegister : kExitBadArguments,
                       QStringLiteral("Sauvegarde impossible\u00a0: %1").arg(store.error()));
    const auto leases = store.leases();
    CommandLineResult r;
    r.output = QStringLiteral("Registre sauvegardé dans %1 (%2).\n")
                   .arg(target, countOf(leases ? qsizetype(leases->size()) : 0, u"bail", u"baux"));
    return r;
}

CommandLineResult restore(const Options& options, const QString& dataFolder)
{
    if (auto bad = onlyOptions(options, QStringLiteral("--restore"), {}))
        return *bad;
    LeaseStore store;
    if (auto failed = openStore(options, dataFolder, store))
        return *failed;
    const QString source = options.value(QStringLiteral("--restore"));
    // The backup's landlord goes into the settings file: a file that cannot be
    // written refuses the restore before anything is replaced.
    const QString ini = settingsPath(registerFolder(options, dataFolder));
    if (const QString refusal = writeRefusal(ini); !refusal.isEmpty())
        return failure(kExitRegister,
                       QStringLiteral("La sauvegarde %1 n’est pas restaurée\u00a0: le bailleur qu’elle "
                                      "garde ne pourrait pas être écrit (%2)\u00a0; le registre n’a "
                                      "pas été modifié.")
                           .arg(quotedPath(source), refusal));
    QString kept;
    BackupLandlord landlord;
    if (!store.restoreFrom(source, &kept, &landlord))
        return failure(registerFault(store.errorKind()) ? kExitRegister : kExitRefused,
                       store.error());
    const auto leases = store.leases();
    CommandLineResult r;
    r.output =
        QStringLiteral("Registre restauré de %1 (%2)\u00a0; l’ancien est gardé dans %3.\n")
            .arg(source, countOf(leases ? qsizetype(leases->size()) : 0, u"bail", u"baux"), kept);
    if (!landlord.isEmpty()) {
        QString reason;
        const LandlordSettings settings{landlord.name, landlord.address, landlord.place};
        // The register is replaced: said as done (a status other than 0 means
        // nothing was), with what is left to do.
        if (!Settings(ini).setLandlord(settings, &reason)) {
            r.error = QStringLiteral("Le registre est restauré, mais le bailleur de la sauvegarde "
                                     "n’a pas pu être rétabli\u00a0: %1. Saisissez-le dans la fenêtre "
                                     "(«\u00a0Bailleur…\u00a0»)\u00a0; inutile de restaurer à nouveau.\n")
                          .arg(reason);
        }
    }
    return r;
}

// Every revision due at --date (today), recorded in one transaction: those
// that cannot be are listed with their reason.
CommandLineResult applyDue(const Options& options, const QString& indexPath,
                           const QString& dataFolder)
{
    LeaseCommand command;
    if (auto failed =
            startLeaseCommand(options, QStringLiteral("--apply-due"), QStringLiteral("--date"), {},
                              indexPath, dataFolder, command))
        return *failed;
    const QDate date = command.date;
    if (const QDate today = QDate::currentDate(); date > today)
        return failure(kExitBadArguments, requestAheadText(date, today));
    std::optional<DueBatch> batch = planDueRevisions(command.store, command.table, date);
    if (!batch)
        return failure(kExitRegister, command.store.error());
    if (batch->items.empty())
        return failure(kExitRevision, QStringLiteral("Aucune révision due au %1\u00a0: rien n’a été "
                                                     "enregistré.")
                                          .arg(dateText(date)));
    if (!applyDueRevisions(command.store, *batch))
        return failure(kExitRegister, command.store.error());
    CommandLineResult r;
    r.output = QStringLiteral("Référence\tLocataire\tLoyer\tNouveau loyer\tEffet\tRésultat\r\n");
    for (const DueRevision& item : batch->items) {
        const LawfulRevision& revision = item.revision;
        r.output += field(item.lease.reference) + u'\t' + field(item.lease.tenant) + u'\t'
                    + amountText(item.lease.rentCents, AmountLayout::Plain) + u'\t'
                    + (item.recorded ? amountText(revision.newRentCents, AmountLayout::Plain)
                                           + u'\t' + dateText(revision.effectiveDate)
                                     : QStringLiteral("\t"))
                    + u'\t'
                    + (item.recorded ? QStringLiteral("enregistrée")
                                     : QStringLiteral("non enregistrée\u00a0: ") + field(item.reason))
                    + QStringLiteral("\r\n");
    }
    const int recorded = batch->recordedCount();
    const int left = int(batch->items.size()) - recorded;
    r.error = command.notice
              + QStringLiteral("Révisions dues au %1\u00a0: %2, %3.\n")
                    .arg(dateText(date), countOf(recorded, u"enregistrée", u"enregistrées", true),
                         countOf(left, u"non enregistrée", u"non enregistrées", true));
    return r;
}

} // namespace

CommandLineResult runRegisterCommand(const Options& options, const QString& defaultIndexPath,
                                     const QString& defaultDataFolder)
{
    if (options.has(QStringLiteral("--apply-revision")))
        return applyRevision(options, defaultIndexPath, defaultDataFolder);
    if (options.has(QStringLiteral("--apply-due")))
        return applyDue(options, defaultIndexPath, defaultDataFolder);
    if (options.has(QStringLiteral("--backup")))
        return backup(options, defaultIndexPath, defaultDataFolder);
    if (options.has(QStringLiteral("--copy-register")))
        return copyRegister(options, defaultDataFolder);
    return restore(options, defaultDataFolder);
}

} // namespace velmaris::cli
