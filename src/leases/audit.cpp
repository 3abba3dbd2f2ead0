// The audit of a lease: the lawful rent recomputed at each revision the
// landlord made, month by month against what was charged.
#include "audit.h"

#include "amounts.h"
#include "audit_p.h"
#include "dates.h"
#include "duedates.h"

#include <algorithm>

namespace velmaris {

using namespace auditinternal;

namespace {

QDate firstOfMonth(const QDate& date)
{
    return QDate(date.year(), date.month(), 1);
}

QDate lastOfMonth(const QDate& date)
{
    return QDate(date.year(), date.month(), date.daysInMonth());
}

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

// The last day a revision may be asked for: a year on, never past the next date.
QDate deadlineOf(const Lease& lease, const QDate& due)
{
    return std::min(sameDayNextYear(due), revisionDateIn(lease, due.year() + 1));
}

// The last revision date whose year was over before the month: a first rent
// known only from then on already includes it, or it was lost.
QDate anchorBefore(const Lease& lease, const QDate& month)
{
    QDate anchor;
    for (int year = lease.startDate.year();; ++year) {
        const QDate due = revisionDateIn(lease, year);
        if (due <= lease.startDate)
            continue;
        if (deadlineOf(lease, due) > month)
            break;
        anchor = due;
    }
    return anchor;
}

// The lawful rent for each month: a revision taking effect within a month
// counts by the day.
struct LawfulChange {
    QDate from;
    qint64 rent;
};

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

// One change of the rent charged, with what the audit made of it.
struct Event {
    std::size_t period = 0; // index of the period it starts
    QDate chargedFrom;
    QDate startMonth; // first month it concerns: the earlier of chargedFrom and the lawful effect
    QDate revisionDate;
    QDate lawfulFrom;
    qint64 before = 0, after = 0, lawfulBefore = 0, lawfulAfter = 0;
    Recognition amount;
    std::vector<AuditCause> timing;
    QString timingText;
};

} // namespace

Audit auditLease(const Lease& lease, const std::vector<ChargedRent>& input,
                 const std::vector<RevisionRecord>& history, const IndexTable& table,
                 const QDate& auditDate)
{
    Audit audit;
    audit.auditDate = auditDate;
    audit.limitDate = auditDate.addYears(-3);
    const QDate auditMonth = firstOfMonth(auditDate);

    std::vector<ChargedRent> periods;
    for (const ChargedRent& p : input) {
        if (p.month.isValid() && p.month <= auditMonth)
            periods.push_back(p);
    }
    sortChargedRents(periods);
    if (periods.size() < input.size())
        audit.notes << QStringLiteral("Les loyers facturés après le mois de l'audit (")
                           + monthText(auditMonth) + QStringLiteral(") ne sont pas contrôlés.");
    if (periods.empty()) {
        audit.error = QStringLiteral("Aucun loyer facturé jusqu'au mois de l'audit : saisissez "
                                     "ou importez les loyers facturés.");
        return audit;
    }
    if (!lease.startDate.isValid() || !lease.signingDate.isValid()
        || !revisionDateIn(lease, 2000).isValid()) {
        audit.error = QStringLiteral("Audit impossible : dates de signature, d'effet ou de "
                                     "révision du bail invalides.");
        return audit;
    }
    if (const QStringList problems = validateChargedRents(periods, lease); !problems.isEmpty()) {
        audit.error =
            QStringLiteral("Audit impossible : ") + problems.join(QStringLiteral(" ; ")) + u'.';
        return audit;
    }

    // The lease as the audit revises it: from the first rent charged.
    Lease revised = lease;
    const QDate first = periods.front().month;
    revised.priorRevision = QDate();
    if (first > firstOfMonth(lease.startDate)) {
        revised.priorRevision = anchorBefore(lease, first);
        if (lease.priorRevision.isValid() && lease.priorRevision < first
            && lease.priorRevision > revised.priorRevision)
            revised.priorRevision = lease.priorRevision;
        audit.notes << QStringLiteral("Loyers facturés connus à partir de ") + monthText(first)
                           + QStringLiteral(" : le loyer de ce mois (")
                           + eurosText(periods.front().rentCents)
                           + QStringLiteral(") est pris pour le loyer légal d'alors.");
    }
    const RevisionDates dates(lease, revised.priorRevision.isValid() ? revised.priorRevision
                                                                     : lease.startDate);
    Quarter initialQuarter;
    if (const std::optional<Quarter> ref = referenceQuarterOf(lease, table)) {
        initialQuarter = *ref;
        if (revised.priorRevision.isValid())
            initialQuarter = lastPublished(ref->number(), revised.priorRevision, table).quarter;
    }

    std::vector<RevisionRecord> lawfulHistory;
    std::vector<LawfulChange> lawful = {{first, periods.front().rentCents}};
    std::vector<Event> events;
    qint64 lawfulRent = periods.front().rentCents;
    QDate stop;

    for (std::size_t i = 1; i < periods.size(); ++i) {
        const ChargedRent& p = periods[i];
        const qint64 before = periods[i - 1].rentCents;
        if (p.rentCents == before)
            continue;
        Event e;
        e.period = i;
        e.chargedFrom = e.startMonth = p.month;
        e.before = before;
        e.after = p.rentCents;
        e.lawfulBefore = e.lawfulAfter = lawfulRent;

        // The request: the period's own date, else the register's for that
        // revision date, else the first day charged (never retroactive then).
        AuditRevision rev;
        rev.chargedFrom = p.month;
        rev.chargedBeforeCents = before;
        rev.chargedCents = p.rentCents;
        rev.lawfulBeforeCents = lawfulRent;
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
        if (p.rentCents > before
            && (!due.isValid()
                || (!lawfulHistory.empty() && lawfulHistory.back().dueDate >= due))) {
            const QDate coming =
                dates.nextAfter(lawfulHistory.empty() ? QDate() : lawfulHistory.back().dueDate);
            if (coming.isValid() && coming > rev.requestDate
                && indexOutBy(lease, table, coming, rev.requestDate))
                due = coming;
        }
        e.revisionDate = due;

        Change change;
        change.lease = &lease;
        change.table = &table;
        change.before = before;
        change.after = p.rentCents;
        change.initial = periods.front().rentCents;
        change.initialQuarter = initialQuarter;
        change.latest = std::max(rev.requestDate, lastOfMonth(p.month));

        LawfulRevision onCharged; // the lawful revision on the landlord's own rent
        const LawfulRevision* yearRevision = nullptr;
        if (!due.isValid()) {
            change.none = NoRevision::BeforeFirst;
        } else if (!lawfulHistory.empty() && lawfulHistory.back().dueDate >= due) {
            change.none = NoRevision::SameYear;
            for (const AuditRevision& r : audit.revisions) {
                if (r.lawful.computed && r.lawful.status.due == lawfulHistory.back().dueDate)
                    yearRevision = &r.lawful;
            }
            change.yearRevision = yearRevision;
            if (!yearRevision)
                change.none =
                    NoRevision::NoNewIndex; // cannot happen: every record has its revision
        } else {
            const QDate asked = std::max(rev.requestDate, due);
            Lease atLawful = revised;
            atLawful.rentCents = lawfulRent;
            rev.lawful = reviseLease(atLawful, lawfulHistory, table, asked);
            if (!rev.lawful.status.reached) {
                change.none = NoRevision::NoNewIndex;
            } else if (!rev.lawful.computed) {
                audit.error = QStringLiteral("Révision du ") + dateText(rev.lawful.status.due)
                              + QStringLiteral(" : ") + rev.lawful.error
                              + QStringLiteral(" Les mois suivants ne sont pas contrôlés.");
                stop = std::min(p.month, firstOfMonth(asked));
                audit.revisions.push_back(rev);
                break;
            } else {
                Lease atCharged = revised;
                atCharged.rentCents = before;
                onCharged = before == lawfulRent
                                ? rev.lawful
                                : reviseLease(atCharged, lawfulHistory, table, asked);
                change.lawful = &onCharged;
                e.lawfulFrom = rev.lawful.effectiveDate;
                e.lawfulAfter = rev.lawful.newRentCents;
                lawfulHistory.push_back(rev.lawful.record(lease.id));
                lawful.push_back({e.lawfulFrom, e.lawfulAfter});
                lawfulRent = e.lawfulAfter;
                e.startMonth = std::min(p.month, firstOfMonth(e.lawfulFrom));
            }
        }
        e.amount = recognise(change);

        // When the new rent was charged from, against when it was owed.
        if (e.lawfulFrom.isValid() && e.lawfulAfter != e.lawfulBefore) {
            if (p.month < e.lawfulFrom) {
                e.timing.push_back(AuditCause::Retroactive);
                e.timingText = QStringLiteral("Nouveau loyer facturé dès ") + monthText(p.month)
                               + QStringLiteral(", avant le ") + dateText(e.lawfulFrom)
                               + (rev.requestKnown && rev.requestDate >= e.revisionDate
                                      ? QStringLiteral(", date de la demande : la révision ne "
                                                       "prend effet qu'à compter de la demande.")
                                      : QStringLiteral(", date de la révision."));
            } else if (e.lawfulFrom < p.month) {
                e.timing.push_back(AuditCause::Late);
                e.timingText = QStringLiteral("Nouveau loyer dû à compter du ")
                               + dateText(e.lawfulFrom)
                               + QStringLiteral(" mais facturé à partir de ") + monthText(p.month)
                               + QStringLiteral(" seulement.");
            }
        }
        audit.revisions.push_back(rev);
        events.push_back(std::move(e));
    }
    audit.stoppedAt = stop;

    // Month by month.
    std::size_t next = 0;
    qint64 charged = 0;
    for (QDate m = first; m <= auditMonth && (!stop.isValid() || m < stop); m = m.addMonths(1)) {
        while (next < periods.size() && periods[next].month <= m)
            charged = periods[next++].rentCents;
        AuditMonth month;
        month.month = m;
        month.chargedCents = charged;
        month.lawfulCents = lawfulForMonth(lawful, m);
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

    // The differences, one per change of the rent charged.
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
        const QDate end = k + 1 < events.size() ? events[k + 1].startMonth : QDate();
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

        QString text =
            (e.revisionDate.isValid() ? QStringLiteral("Révision du ") + dateText(e.revisionDate)
                                      : QStringLiteral("Changement de loyer"))
            + QStringLiteral(" : ") + eurosText(e.after) + QStringLiteral(" facturés à partir de ")
            + monthText(e.chargedFrom);
        if (e.lawfulFrom.isValid())
            text += QStringLiteral(" ; loyer légal ") + eurosText(e.lawfulAfter)
                    + QStringLiteral(" dû à compter du ") + dateText(e.lawfulFrom) + u'.';
        else
            text += QStringLiteral(" ; loyer légal inchangé, ") + eurosText(e.lawfulAfter) + u'.';
        if (!e.amount.text.isEmpty())
            text += u' ' + e.amount.text;
        if (!e.timingText.isEmpty())
            text += u' ' + e.timingText;
        if (f.carriedFrom.isValid())
            text += e.amount.causes.empty()
                        ? QStringLiteral(" Le calcul de ce changement est juste, mais il part d'un "
                                         "loyer déjà faux depuis le ")
                              + dateText(f.carriedFrom) + QStringLiteral(" (")
                              + auditCausesText(f.causes) + QStringLiteral(").")
                        : QStringLiteral(" Il part en outre d'un loyer déjà faux depuis le ")
                              + dateText(f.carriedFrom) + u'.';
        f.text = text;
        audit.findings.push_back(std::move(f));
    }
    return audit;
}

} // namespace velmaris
