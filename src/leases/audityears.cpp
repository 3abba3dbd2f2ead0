// SPDX-License-Identifier: GPL-3.0-or-later
// The audit year by year: each revision date, made, lost, frozen or to ask.
#include "audit.h"

#include "amounts.h"
#include "dates.h"
#include "duedates.h"
#include "revisionletter.h"

#include <algorithm>

namespace velmaris {

namespace {

// The lawful rent in force on a day: the last revision in effect by then, or
// the first rent charged.
qint64 lawfulOn(const Audit& audit, const QDate& day)
{
    qint64 rent = audit.months.empty() ? 0 : audit.months.front().lawfulCents;
    QDate latest;
    for (const AuditRevision& r : audit.revisions) {
        if (r.lawful.computed && r.lawful.effectiveDate.isValid() && r.lawful.effectiveDate <= day
            && (!latest.isValid() || r.lawful.effectiveDate >= latest)) {
            latest = r.lawful.effectiveDate;
            rent = r.lawful.newRentCents;
        }
    }
    return rent;
}

qint64 chargedIn(const Audit& audit, const QDate& day)
{
    qint64 rent = 0;
    for (const AuditMonth& m : audit.months) {
        if (m.month > day)
            break;
        rent = m.chargedCents;
    }
    return rent;
}

// What the revision of `due` would have been had it been asked on its date.
LawfulRevision askedOnTime(const Lease& lease, qint64 rent, const QDate& due,
                           const IndexTable& table)
{
    Lease asked = lease;
    asked.rentCents = rent;
    asked.priorRevision = QDate();
    // The year before asked, on an index older than any this year's could be:
    // the revision of `due` always counts, whenever its index came out.
    RevisionRecord prior;
    prior.dueDate = revisionDateIn(lease, due.year() - 1);
    prior.newQuarter = Quarter(due.year() - 3, 1);
    LawfulRevision revision = reviseLease(asked, {prior}, table, due);
    // Its index out only after the revision date: asked within the year, the
    // same index counts.
    if (!revision.computed && !revision.frozen && revision.error.isEmpty())
        revision = reviseLease(asked, {}, table, revisionDeadline(lease, due).addDays(-1));
    return revision;
}

QString causesOf(const Audit& audit, const QDate& due)
{
    for (const AuditFinding& f : audit.findings) {
        if (f.revisionDate == due)
            return auditCausesText(f.causes);
    }
    return {};
}

} // namespace

std::vector<AuditYear> auditYears(const Audit& audit, const Lease& lease, const IndexTable& table,
                                  const std::vector<RevisionRecord>& history)
{
    std::vector<AuditYear> years;
    if (audit.months.empty() || !lease.startDate.isValid())
        return years;
    const QDate first = audit.months.front().month;
    const QDate end = audit.stoppedAt.isValid() ? audit.stoppedAt : audit.auditDate;
    for (int year = lease.startDate.year(); year <= end.year(); ++year) {
        const QDate due = revisionDateIn(lease, year);
        if (!due.isValid() || due <= lease.startDate || due < first || due > end)
            continue;
        AuditYear y;
        y.revisionDate = due;
        const AuditRevision* made = nullptr;
        for (const AuditRevision& r : audit.revisions) {
            if (r.lawful.computed && r.lawful.status.due == due)
                made = &r;
        }
        if (made) {
            y.made = true;
            y.lawful = made->lawful;
            y.lawfulCents = made->lawful.newRentCents;
            y.chargedCents = made->chargedCents;
            y.cause = causesOf(audit, due);
            years.push_back(std::move(y));
            continue;
        }
        y.chargedCents = chargedIn(audit, due);
        // Applied in the register, not yet in the rents charged: as the
        // register holds it, never "to ask".
        const auto recorded = std::find_if(history.begin(), history.end(),
                                           [&](const RevisionRecord& r) { return r.dueDate == due; });
        if (recorded != history.end()) {
            y.lawful = revisionOfRecord(lease, *recorded);
            y.lawfulCents = recorded->newRentCents;
            y.recordedRequest = recorded->requestDate;
            y.recordedEffect = recorded->effectiveDate;
            y.cause = QStringLiteral("appliquée au registre (demande le ")
                      + dateText(recorded->requestDate) + QStringLiteral(", effet le ")
                      + dateText(recorded->effectiveDate) + u')';
            years.push_back(std::move(y));
            continue;
        }
        y.lawfulCents = lawfulOn(audit, due);
        y.lawful = askedOnTime(lease, y.lawfulCents, due, table);
        const QDate deadline = revisionDeadline(lease, due);
        if (y.lawful.frozen || rentFrozenAt(lease, due)) {
            y.cause = QStringLiteral("loyer gelé (DPE F/G)");
        } else if (audit.auditDate < deadline) {
            y.cause = QStringLiteral("à demander avant le ") + dateText(deadline);
        } else {
            // Not asked within its year: lost, whatever it would have allowed.
            y.lost = true;
            y.cause = QStringLiteral("révision perdue");
            if (y.lawful.computed) {
                y.allowedCents = y.lawful.newRentCents;
                y.cause += QStringLiteral(" (loyer permis ")
                           + amountText(y.allowedCents, AmountLayout::Grouped) + u')';
            } else if (QString error = y.lawful.error; !error.isEmpty()) {
                if (error.endsWith(u'.'))
                    error.chop(1);
                error[0] = error[0].toLower();
                y.cause += QStringLiteral(" (") + error + u')';
            }
        }
        years.push_back(std::move(y));
    }
    return years;
}

} // namespace velmaris
