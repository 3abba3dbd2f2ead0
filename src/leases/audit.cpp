// SPDX-License-Identifier: GPL-3.0-or-later
// The audit of a lease: the lawful rent recomputed at each revision the
// landlord made, month by month against what was charged.
#include "audit.h"

#include "amounts.h"
#include "audit_p.h"
#include "dates.h"
#include "duedates.h"

#include <algorithm>

namespace velmaris {

namespace auditinternal {

QDate firstOfMonth(const QDate& date)
{
    return QDate(date.year(), date.month(), 1);
}

QDate lastOfMonth(const QDate& date)
{
    return QDate(date.year(), date.month(), date.daysInMonth());
}

} // namespace auditinternal

using namespace auditinternal;

namespace {

// The last revision date whose year was over before the month: a first rent
// known only from then on already includes it, or it was lost.
QDate anchorBefore(const Lease& lease, const QDate& month)
{
    QDate anchor;
    for (int year = lease.startDate.year();; ++year) {
        const QDate due = revisionDateIn(lease, year);
        if (due <= lease.startDate)
            continue;
        if (revisionDeadline(lease, due) > month)
            break;
        anchor = due;
    }
    return anchor;
}

// The lawful rent for a month: a revision taking effect within it counts by the day.
qint64 lawfulForMonth(const std::vector<LawfulChange>& changes, const QDate& month)
{
    const int days = month.daysInMonth();
    const QDate end = lastOfMonth(month);
    qint64 rent = 0;
    std::size_t i = 0;
    for (; i < changes.size() && changes[i].from <= month; ++i)
        rent = changes[i].rent;
    if (i == changes.size() || changes[i].from > end)
        return rent;
    qint64 sum = 0;
    QDate day = month;
    for (; i < changes.size() && changes[i].from <= end; ++i) {
        sum += rent * day.daysTo(changes[i].from);
        day = changes[i].from;
        rent = changes[i].rent;
    }
    sum += rent * (day.daysTo(end) + 1);
    return (2 * sum + days) / (2 * days);
}

// The periods charged up to the audit month, sorted and checked; false with
// audit.error set when the audit cannot be made.
bool preparePeriods(Audit& audit, const Lease& lease, const std::vector<ChargedRent>& input,
                    std::vector<ChargedRent>& periods)
{
    const QDate auditMonth = firstOfMonth(audit.auditDate);
    for (const ChargedRent& p : input) {
        if (p.month.isValid() && p.month <= auditMonth)
            periods.push_back(p);
    }
    sortChargedRents(periods);
    if (periods.size() < input.size())
        audit.notes << QStringLiteral("Les loyers facturés après le mois de l’audit (")
                           + monthText(auditMonth) + QStringLiteral(") ne sont pas contrôlés.");
    if (periods.empty()) {
        audit.error = QStringLiteral("Aucun loyer facturé jusqu’au mois de l’audit\u00a0: saisissez "
                                     "ou importez les loyers facturés.");
        return false;
    }
    if (!lease.startDate.isValid() || !lease.signingDate.isValid()
        || !revisionDateIn(lease, 2000).isValid()) {
        audit.error = QStringLiteral("Audit impossible\u00a0: dates de signature, d’effet ou de "
                                     "révision du bail invalides.");
        return false;
    }
    if (const QStringList problems = validateChargedRents(periods, lease); !problems.isEmpty()) {
        audit.error =
            QStringLiteral("Audit impossible\u00a0: ") + problems.join(QStringLiteral("\u00a0; ")) + u'.';
        return false;
    }
    return true;
}

// The lease as the audit revises it: from the first rent charged.
Lease revisedFromFirst(Audit& audit, const Lease& lease, const ChargedRent& firstCharged)
{
    Lease revised = lease;
    const QDate first = firstCharged.month;
    revised.priorRevision = QDate();
    if (first > firstOfMonth(lease.startDate)) {
        revised.priorRevision = anchorBefore(lease, first);
        if (lease.priorRevision.isValid() && lease.priorRevision < first
            && lease.priorRevision > revised.priorRevision)
            revised.priorRevision = lease.priorRevision;
        audit.notes << QStringLiteral("Loyers facturés connus à partir de ") + monthText(first)
                           + QStringLiteral("\u00a0: le loyer de ce mois (")
                           + eurosText(firstCharged.rentCents)
                           + QStringLiteral(") est pris pour le loyer légal d’alors.");
    }
    return revised;
}

// Month by month, from the first month charged to the audit month or the stop.
void compareMonths(Audit& audit, const std::vector<ChargedRent>& periods, const Walk& walk)
{
    const QDate auditMonth = firstOfMonth(audit.auditDate);
    std::size_t next = 0;
    qint64 charged = 0;
    for (QDate m = periods.front().month;
         m <= auditMonth && (!walk.stop.isValid() || m < walk.stop); m = m.addMonths(1)) {
        while (next < periods.size() && periods[next].month <= m)
            charged = periods[next++].rentCents;
        AuditMonth month;
        month.month = m;
        month.chargedCents = charged;
        month.lawfulCents = lawfulForMonth(walk.lawful, m);
        month.timeBarred = m < audit.limitDate;
        audit.months.push_back(month);
        const qint64 d = month.differenceCents();
        if (d > 0) {
            audit.totals.overCents += d;
            if (!month.timeBarred)
                audit.totals.overClaimableCents += d;
        } else if (d < 0) {
            audit.totals.underCents -= d;
            if (!month.timeBarred)
                audit.totals.underClaimableCents -= d;
        }
    }
}

// The explanation of a finding, in French.
QString findingText(const Event& e, const AuditFinding& f)
{
    QString text =
        (e.revisionDate.isValid() ? QStringLiteral("Révision du ") + dateText(e.revisionDate)
                                  : QStringLiteral("Changement de loyer"))
        + QStringLiteral("\u00a0: ") + eurosText(e.after) + QStringLiteral(" facturés à partir de ")
        + monthText(e.chargedFrom);
    if (e.lawfulFrom.isValid())
        text += QStringLiteral("\u00a0; loyer légal ") + eurosText(e.lawfulAfter)
                + QStringLiteral(" dû à compter du ") + dateText(e.lawfulFrom) + u'.';
    else
        text += QStringLiteral("\u00a0; loyer légal inchangé, ") + eurosText(e.lawfulAfter) + u'.';
    if (!e.amount.text.isEmpty())
        text += u' ' + e.amount.text;
    if (!e.timingText.isEmpty())
        text += u' ' + e.timingText;
    if (f.carriedFrom.isValid())
        text += e.amount.causes.empty()
                    ? QStringLiteral(" Le calcul de ce changement est juste, mais il part d’un "
                                     "loyer déjà faux depuis le ")
                          + dateText(f.carriedFrom) + QStringLiteral(" (")
                          + auditCausesText(f.causes) + QStringLiteral(").")
                    : QStringLiteral(" Il part en outre d’un loyer déjà faux depuis le ")
                          + dateText(f.carriedFrom) + u'.';
    return text;
}

// The months from the event's first one to the next event's, summed.
void sumMonths(const Audit& audit, AuditFinding& f, const QDate& end)
{
    for (const AuditMonth& m : audit.months) {
        if (m.month < f.firstMonth || (end.isValid() && m.month >= end))
            continue;
        const qint64 d = m.differenceCents();
        if (d > 0)
            f.overCents += d;
        else
            f.underCents -= d;
        if (d != 0)
            f.lastMonth = m.month;
    }
}

// The differences, one per change of the rent charged.
void addFindings(Audit& audit, const std::vector<Event>& events)
{
    std::vector<AuditCause> originCauses;
    QDate origin;
    for (std::size_t k = 0; k < events.size(); ++k) {
        const Event& e = events[k];
        AuditFinding f;
        f.revisionDate = e.revisionDate;
        f.chargedFrom = e.chargedFrom;
        f.lawfulFrom = e.lawfulFrom;
        f.chargedCents = e.after;
        f.lawfulCents = e.lawfulAfter;
        f.firstMonth = e.startMonth;
        sumMonths(audit, f, k + 1 < events.size() ? events[k + 1].startMonth : QDate());
        const bool baseWrong = e.before != e.lawfulBefore;
        f.causes = e.amount.causes;
        f.causes.insert(f.causes.end(), e.timing.begin(), e.timing.end());
        if (baseWrong && origin.isValid())
            f.carriedFrom = origin;
        // The gap in the rent from here on, and where it comes from.
        if (e.after == e.lawfulAfter) {
            origin = QDate();
            originCauses.clear();
        } else if (!e.amount.causes.empty()) {
            origin = e.revisionDate.isValid() ? e.revisionDate : e.chargedFrom;
            originCauses = e.amount.causes;
        }
        if (f.overCents == 0 && f.underCents == 0)
            continue;
        if (f.causes.empty())
            f.causes = originCauses.empty() ? std::vector{AuditCause::Other} : originCauses;
        f.text = findingText(e, f);
        audit.findings.push_back(std::move(f));
    }
}

} // namespace

Audit auditLease(const Lease& lease, const std::vector<ChargedRent>& input,
                 const std::vector<RevisionRecord>& history, const IndexTable& table,
                 const QDate& auditDate)
{
    Audit audit;
    audit.auditDate = auditDate;
    audit.limitDate = auditDate.addYears(-3);
    std::vector<ChargedRent> periods;
    if (!preparePeriods(audit, lease, input, periods))
        return audit;
    const Lease revised = revisedFromFirst(audit, lease, periods.front());
    const Walk walk = walkChanges(audit, lease, revised, periods, history, table);
    audit.stoppedAt = walk.stop;
    compareMonths(audit, periods, walk);
    addFindings(audit, walk.events);
    audit.years = auditYears(audit, lease, table, history);
    return audit;
}

} // namespace velmaris
