// SPDX-License-Identifier: GPL-3.0-or-later
// The audit's walk over the changes of the rent charged: each is a revision
// asked for, recomputed by the lawful revision's rules from the lawful rent
// before it.
#include "audit_p.h"

#include "amounts.h"
#include "dates.h"
#include "duedates.h"

#include <algorithm>

namespace velmaris::auditinternal {

namespace {

// The lease's revision dates, in order, from the first after `after`.
class RevisionDates {
public:
    RevisionDates(const Lease& lease, const QDate& after)
        : m_lease(lease)
    {
        m_firstYear = after.year();
        while (revisionDateIn(lease, m_firstYear) <= after)
            ++m_firstYear;
    }
    // The first revision date after the date.
    QDate nextAfter(const QDate& date) const
    {
        int year = m_firstYear;
        while (revisionDateIn(m_lease, year) <= date)
            ++year;
        return revisionDateIn(m_lease, year);
    }
    // The latest revision date on or before the date; invalid when none.
    QDate latestBy(const QDate& date) const
    {
        QDate found;
        for (int year = m_firstYear; revisionDateIn(m_lease, year) <= date; ++year)
            found = revisionDateIn(m_lease, year);
        return found;
    }

private:
    const Lease& m_lease;
    int m_firstYear = 0;
};

// Whether the index of the revision at `due` (the lease's reference quarter
// as last published by then) is already published at `asked`.
bool indexOutBy(const Lease& lease, const IndexTable& table, const QDate& due, const QDate& asked)
{
    const std::optional<Quarter> reference = referenceQuarterOf(lease, table);
    if (!reference)
        return false;
    const PublishedQuarter atDue = lastPublished(reference->number(), due, table);
    const PublishedQuarter atAsk = lastPublished(reference->number(), asked, table);
    return atDue.found && atAsk.found && atDue.quarter == atAsk.quarter;
}

// The state of the walk from one change to the next.
struct Walker {
    Audit& audit;
    const Lease& lease;
    const Lease& revised;
    const std::vector<ChargedRent>& periods;
    const std::vector<RevisionRecord>& history;
    const IndexTable& table;
    RevisionDates dates;
    Quarter initialQuarter;
    std::vector<RevisionRecord> lawfulHistory;
    qint64 lawfulRent = 0;
    Walk walk;

    QDate lastLawfulDue() const
    {
        return lawfulHistory.empty() ? QDate() : lawfulHistory.back().dueDate;
    }
    QDate requestAndDue(const ChargedRent& p, qint64 before, AuditRevision& rev) const;
    // False when the walk stops here.
    bool revise(Event& e, const ChargedRent& p, AuditRevision& rev, Change& change,
                LawfulRevision& onCharged);
    void change(std::size_t i);
};

// The request: the period's own date, else the register's for that revision
// date, else the first day charged (never retroactive then). Gives the
// revision date the change belongs to.
QDate Walker::requestAndDue(const ChargedRent& p, qint64 before, AuditRevision& rev) const
{
    QDate request = p.requestDate;
    QDate due = dates.latestBy(std::max(request, lastOfMonth(p.month)));
    if (!request.isValid() && due.isValid()) {
        for (const RevisionRecord& rec : history) {
            if (rec.dueDate == due && rec.requestDate.isValid())
                request = rec.requestDate;
        }
        due = dates.latestBy(std::max(request, lastOfMonth(p.month)));
    }
    rev.requestKnown = request.isValid();
    rev.requestDate = request.isValid() ? request : p.month;
    // A rise asked before the coming revision date, once that date's index
    // is out, is that revision applied early (a letter sent ahead), not a
    // second rise in the year before: it is owed from the revision date.
    if (p.rentCents > before && (!due.isValid() || lastLawfulDue() >= due)) {
        const QDate coming = dates.nextAfter(lastLawfulDue());
        if (coming.isValid() && coming > rev.requestDate
            && indexOutBy(lease, table, coming, rev.requestDate))
            due = coming;
    }
    return due;
}

bool Walker::revise(Event& e, const ChargedRent& p, AuditRevision& rev, Change& change,
                    LawfulRevision& onCharged)
{
    const QDate due = e.revisionDate;
    if (!due.isValid()) {
        change.none = NoRevision::BeforeFirst;
        return true;
    }
    if (!lawfulHistory.empty() && lastLawfulDue() >= due) {
        change.none = NoRevision::SameYear;
        for (const AuditRevision& r : audit.revisions) {
            if (r.lawful.computed && r.lawful.status.due == lastLawfulDue())
                change.yearRevision = &r.lawful;
        }
        if (!change.yearRevision)
            change.none = NoRevision::NoNewIndex; // cannot happen: every record has its revision
        return true;
    }
    const QDate asked = std::max(rev.requestDate, due);
    Lease atLawful = revised;
    atLawful.rentCents = lawfulRent;
    rev.lawful = reviseLease(atLawful, lawfulHistory, table, asked);
    if (!rev.lawful.status.reached) {
        change.none = NoRevision::NoNewIndex;
        return true;
    }
    // An F/G dwelling under the freeze: the rent stays, whatever the clause.
    if (rev.lawful.frozen) {
        change.none = NoRevision::Frozen;
        change.yearRevision = &rev.lawful;
        return true;
    }
    if (!rev.lawful.computed) {
        audit.error = QStringLiteral("Révision du ") + dateText(rev.lawful.status.due)
                      + QStringLiteral("\u00a0: ") + rev.lawful.error
                      + QStringLiteral(" Les mois suivants ne sont pas contrôlés.");
        walk.stop = std::min(p.month, firstOfMonth(asked));
        return false;
    }
    Lease atCharged = revised;
    atCharged.rentCents = e.before;
    onCharged =
        e.before == lawfulRent ? rev.lawful : reviseLease(atCharged, lawfulHistory, table, asked);
    change.lawful = &onCharged;
    e.lawfulFrom = rev.lawful.effectiveDate;
    e.lawfulAfter = rev.lawful.newRentCents;
    lawfulHistory.push_back(rev.lawful.record(lease.id));
    walk.lawful.push_back({e.lawfulFrom, e.lawfulAfter});
    lawfulRent = e.lawfulAfter;
    e.startMonth = std::min(p.month, firstOfMonth(e.lawfulFrom));
    return true;
}

// When the new rent was charged from, against when it was owed.
void explainTiming(Event& e, const ChargedRent& p, const AuditRevision& rev)
{
    if (!e.lawfulFrom.isValid() || e.lawfulAfter == e.lawfulBefore)
        return;
    if (p.month < e.lawfulFrom) {
        e.timing.push_back(AuditCause::Retroactive);
        e.timingText = QStringLiteral("Nouveau loyer facturé dès ") + monthText(p.month)
                       + QStringLiteral(", avant le ") + dateText(e.lawfulFrom)
                       + (rev.requestKnown && rev.requestDate >= e.revisionDate
                              ? QStringLiteral(", date de la demande\u00a0: la révision ne "
                                               "prend effet qu’à compter de la demande.")
                              : QStringLiteral(", date de la révision."));
    } else if (e.lawfulFrom < p.month) {
        e.timing.push_back(AuditCause::Late);
        e.timingText = QStringLiteral("Nouveau loyer dû à compter du ") + dateText(e.lawfulFrom)
                       + QStringLiteral(" mais facturé à partir de ") + monthText(p.month)
                       + QStringLiteral(" seulement.");
    }
}

} // namespace

Walk walkChanges(Audit& audit, const Lease& lease, const Lease& revised,
                 const std::vector<ChargedRent>& periods,
                 const std::vector<RevisionRecord>& history, const IndexTable& table)
{
    Walker w{audit,
             lease,
             revised,
             periods,
             history,
             table,
             RevisionDates(lease, revised.priorRevision.isValid() ? revised.priorRevision
                                                                  : lease.startDate),
             {},
             {},
             periods.front().rentCents,
             {}};
    if (const std::optional<Quarter> ref = referenceQuarterOf(lease, table)) {
        w.initialQuarter = *ref;
        if (revised.priorRevision.isValid())
            w.initialQuarter = lastPublished(ref->number(), revised.priorRevision, table).quarter;
    }
    w.walk.lawful = {{periods.front().month, periods.front().rentCents}};
    for (std::size_t i = 1; i < periods.size() && !w.walk.stop.isValid(); ++i) {
        if (periods[i].rentCents != periods[i - 1].rentCents)
            w.change(i);
    }
    return std::move(w.walk);
}

void Walker::change(std::size_t i)
{
    const ChargedRent& p = periods[i];
    Event e;
    e.period = i;
    e.chargedFrom = e.startMonth = p.month;
    e.before = periods[i - 1].rentCents;
    e.after = p.rentCents;
    e.lawfulBefore = e.lawfulAfter = lawfulRent;

    AuditRevision rev;
    rev.chargedFrom = p.month;
    rev.chargedBeforeCents = e.before;
    rev.chargedCents = p.rentCents;
    rev.lawfulBeforeCents = lawfulRent;
    e.revisionDate = requestAndDue(p, e.before, rev);

    Change change;
    change.lease = &lease;
    change.table = &table;
    change.before = e.before;
    change.after = p.rentCents;
    change.initial = periods.front().rentCents;
    change.initialQuarter = initialQuarter;
    change.latest = std::max(rev.requestDate, lastOfMonth(p.month));

    LawfulRevision onCharged; // the lawful revision on the landlord's own rent
    if (!revise(e, p, rev, change, onCharged)) {
        audit.revisions.push_back(rev);
        return;
    }
    e.amount = recognise(change);
    explainTiming(e, p, rev);
    audit.revisions.push_back(rev);
    walk.events.push_back(std::move(e));
}

} // namespace velmaris::auditinternal
