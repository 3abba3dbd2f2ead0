// The audit of one lease from the command line, as the audit window computes
// it: tab-separated lines a script can read.
#include "cli_p.h"

#include "amounts.h"
#include "audit.h"
#include "chargedcsv.h"
#include "dates.h"
#include "indexvalue.h"

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

CommandLineResult runAuditLease(const Options& options, const QString& indexPath,
                                const QString& dataFolder)
{
    LeaseCommand run;
    if (auto failed =
            startLeaseCommand(options, QStringLiteral("--audit-lease"), QStringLiteral("--date"),
                              {QStringLiteral("--charged")}, indexPath, dataFolder, run))
        return *failed;
    LeaseStore& store = run.store;
    Lease lease;
    std::vector<RevisionRecord> history;
    if (auto failed = findLeaseAndHistory(store, options.value(QStringLiteral("--audit-lease")),
                                          lease, history))
        return *failed;
    std::vector<ChargedRent> periods;
    if (options.has(QStringLiteral("--charged"))) {
        // The file stands in for the register's rents, which stay as they are.
        const QString path = options.value(QStringLiteral("--charged"));
        const ChargedCsvImport read = readChargedRentsCsv(path, lease);
        if (!read.ok())
            return failure(kExitRefused,
                           QStringLiteral("Loyers facturés refusés (%1) :\n  ").arg(path)
                               + read.errors.join(QStringLiteral("\n  ")));
        periods = read.periods;
    } else {
        const auto charged = store.chargedRents(lease.id);
        if (!charged)
            return failure(kExitRegister, store.error());
        periods = *charged;
    }
    const Audit audit = auditLease(lease, periods, history, run.table, run.date);
    if (audit.months.empty())
        return failure(kExitRevision, QStringLiteral("Audit impossible. ") + audit.error);
    CommandLineResult r;
    r.output = auditText(audit);
    r.error = run.notice + stalenessNotice(run.table);
    if (!audit.complete()) {
        // What was compared is printed; the reason it stopped is the status.
        r.status = kExitRevision;
        r.error += QStringLiteral("Audit incomplet. ") + audit.error + u'\n';
    }
    return r;
}

} // namespace velmaris::cli
