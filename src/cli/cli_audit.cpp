// SPDX-License-Identifier: GPL-3.0-or-later
// The audit of one lease from the command line, as the audit window computes
// it: tab-separated lines a script can read, or the window's report as a PDF.
#include "cli_p.h"

#include "amounts.h"
#include "audit.h"
#include "auditprinter.h"
#include "auditreport.h"
#include "chargedcsv.h"
#include "dates.h"
#include "indexvalue.h"
#include "leaseletters.h"

namespace velmaris::cli {

namespace {

QString amount(qint64 cents)
{
    return amountText(cents, AmountLayout::Grouped);
}

QString indexField(Quarter quarter, double value)
{
    return quarter.isValid() ? quarter.label() + QStringLiteral(" = ") + indexText(value)
                             : QString();
}

QString tsv(const QStringList& fields)
{
    QStringList clean;
    for (const QString& f : fields)
        clean << field(f);
    return clean.join(u'\t') + QStringLiteral("\r\n");
}

QString auditText(const Audit& audit)
{
    QString text;
    for (const AuditYear& y : audit.years) {
        const LawfulRevision& l = y.lawful;
        const bool indices = l.computed;
        text +=
            tsv({QStringLiteral("Révision"), dateText(y.revisionDate),
                 indices ? indexField(l.baseQuarter, l.baseValue) : QString(),
                 indices ? indexField(l.newQuarter, l.newValue) : QString(), amount(y.lawfulCents),
                 amount(y.chargedCents), amount(y.differenceCents()), y.cause});
    }
    for (const AuditMonth& m : audit.months)
        text += tsv({QStringLiteral("Mois"), monthText(m.month), amount(m.chargedCents),
                     amount(m.lawfulCents), amount(m.differenceCents()),
                     m.timeBarred ? QStringLiteral("prescrit") : QString()});
    const AuditTotals& t = audit.totals;
    text += tsv({QStringLiteral("Total"), QStringLiteral("trop-perçu"), amount(t.overCents)});
    text += tsv({QStringLiteral("Total"), QStringLiteral("moins-perçu"), amount(t.underCents)});
    text +=
        tsv({QStringLiteral("Total"), QStringLiteral("réclamable"), amount(t.overClaimableCents)});
    return text;
}

} // namespace

namespace {

// What --audit-lease and --audit-report share: the lease, its rents charged
// (the register's, or those of --charged) and the audit at --date, as the
// audit window makes it.
struct AuditRun {
    LeaseCommand command;
    Lease lease;
    Audit audit;
};

std::optional<CommandLineResult> runAudit(const Options& options, const QString& name,
                                          const QStringList& allowed, const QString& indexPath,
                                          const QString& dataFolder, AuditRun& run)
{
    if (auto failed = startLeaseCommand(options, name, QStringLiteral("--date"),
                                        allowed + QStringList{QStringLiteral("--charged")},
                                        indexPath, dataFolder, run.command))
        return failed;
    LeaseStore& store = run.command.store;
    std::vector<RevisionRecord> history;
    if (auto failed = findLeaseAndHistory(store, options.value(name), run.lease, history))
        return failed;
    std::vector<ChargedRent> periods;
    if (options.has(QStringLiteral("--charged"))) {
        // The file stands in for the register's rents, which stay as they are.
        const QString path = options.value(QStringLiteral("--charged"));
        const ChargedCsvImport read = readChargedRentsCsv(path, run.lease);
        if (!read.ok())
            return failure(kExitRefused,
                           QStringLiteral("Loyers facturés refusés (%1)\u00a0:\n  ").arg(path)
                               + read.errors.join(QStringLiteral("\n  ")));
        periods = read.periods;
    } else {
        const auto charged = store.chargedRents(run.lease.id);
        if (!charged)
            return failure(kExitRegister, store.error());
        periods = *charged;
    }
    run.audit = auditLease(run.lease, periods, history, run.command.table, run.command.date);
    if (run.audit.months.empty())
        return failure(kExitRevision, QStringLiteral("Audit impossible. ") + run.audit.error);
    return std::nullopt;
}

// What the user must know besides; an audit that stopped on the way is said,
// and its status is 4 whatever it printed or wrote.
void endAudit(const AuditRun& run, CommandLineResult& r)
{
    r.error = run.command.notice + stalenessNotice(run.command.table) + r.error;
    if (!run.audit.complete()) {
        if (r.status == 0)
            r.status = kExitRevision;
        r.error += QStringLiteral("Audit incomplet. ") + run.audit.error + u'\n';
    }
}

} // namespace

CommandLineResult runAuditLease(const Options& options, const QString& indexPath,
                                const QString& dataFolder)
{
    AuditRun run;
    if (auto failed =
            runAudit(options, QStringLiteral("--audit-lease"), {}, indexPath, dataFolder, run))
        return *failed;
    CommandLineResult r;
    r.output = auditText(run.audit);
    endAudit(run, r);
    return r;
}

CommandLineResult runAuditReport(const Options& options, const QString& indexPath,
                                 const QString& dataFolder)
{
    const QString name = QStringLiteral("--audit-report");
    const QStringList allowed = {QStringLiteral("--pdf")};
    QString path;
    if (auto bad = onlyOptions(
            options, name,
            allowed + QStringList{QStringLiteral("--charged"), QStringLiteral("--date")}))
        return *bad;
    if (auto refused = pdfTarget(options, name, indexPath, dataFolder, path))
        return *refused;
    AuditRun run;
    if (auto failed = runAudit(options, name, allowed, indexPath, dataFolder, run))
        return *failed;
    // Established by the lease's owner, or the agency on its behalf, as in the window.
    const std::optional<LeaseSender> sender = leaseSender(run.command.store, run.lease);
    if (!sender)
        return failure(kExitRegister, run.command.store.error());
    const AuditReport report =
        auditReport(run.lease, run.audit, auditAuthor(sender->owner, sender->agency));
    QString reason;
    CommandLineResult r = pdfWritten(writeAuditReportPdf(path, report, &reason), reason,
                                     QStringLiteral("Audit enregistré"), path);
    endAudit(run, r);
    return r;
}

} // namespace velmaris::cli
