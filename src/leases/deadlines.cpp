// SPDX-License-Identifier: GPL-3.0-or-later
#include "deadlines.h"

#include "dates.h"
#include "duedates.h"
#include "lawfulrevision.h"
#include "leasestore.h"

#include <QHash>

#include <algorithm>

namespace velmaris {

namespace {

// The quarter whose index the revision waits for, when the series simply has
// not reached it yet (a gap in older figures is a fault of the file instead).
std::optional<Quarter> awaitedQuarter(const Lease& lease, const IndexTable& table, const QDate& due)
{
    const std::optional<Quarter> reference = referenceQuarterOf(lease, table);
    if (!reference)
        return std::nullopt;
    const PublishedQuarter n = lastPublished(reference->number(), due, table);
    if (n.found || !n.quarter.isValid() || table.rows.empty()
        || !(table.newestQuarter() < n.quarter))
        return std::nullopt;
    return n.quarter;
}

void decide(RevisionDeadline& d, const LawfulRevision& r, const IndexTable& table)
{
    if (r.frozen || r.status.state == DueState::Frozen) {
        d.action = DeadlineAction::Frozen;
        d.todo = QStringLiteral("gelé (DPE F/G)\u00a0: rien à demander");
    } else if (r.computed) {
        const bool changes = r.newRentCents != r.oldRentCents;
        d.action = changes ? DeadlineAction::WriteLetter : DeadlineAction::NothingToAsk;
        d.todo = changes ? QStringLiteral("écrire la lettre maintenant")
                         : QStringLiteral("rien à demander");
    } else if (const auto awaited = awaitedQuarter(d.lease, table, d.revisionDate)) {
        d.action = DeadlineAction::AwaitIndex;
        d.indexFrom = earliestPublication(*awaited);
        d.todo = QStringLiteral("à partir du %1\u00a0: l’indice n’est pas encore paru")
                     .arg(dateText(d.indexFrom));
    } else {
        d.action = DeadlineAction::Blocked;
        d.todo = r.error.isEmpty() ? r.status.text() : r.error;
    }
}

} // namespace

std::vector<RevisionDeadline> comingDeadlines(const std::vector<Lease>& leases,
                                              const std::vector<RevisionRecord>& lastRevisions,
                                              const IndexTable& table, const QDate& today,
                                              int withinDays)
{
    QHash<qint64, const RevisionRecord*> lastOf;
    lastOf.reserve(qsizetype(lastRevisions.size()));
    for (const RevisionRecord& rec : lastRevisions) {
        const RevisionRecord*& slot = lastOf[rec.leaseId];
        if (!slot || rec.dueDate > slot->dueDate)
            slot = &rec;
    }
    const QDate horizon = today.addDays(withinDays);
    std::vector<RevisionDeadline> found;
    for (const Lease& lease : leases) {
        const RevisionRecord* last = lastOf.value(lease.id, nullptr);
        // The status alone first: most leases are far from their last day,
        // and a whole register is not revised for the few that are not.
        const DueStatus status = dueStatus(lease, last, table, today);
        if (!status.due.isValid() || !status.deadline.isValid())
            continue;
        const QDate lastDay = status.deadline.addDays(-1);
        if (lastDay < today || lastDay > horizon)
            continue;
        std::vector<RevisionRecord> history;
        if (last)
            history.push_back(*last);
        // A revision date still ahead is judged as it will stand on that day.
        const QDate asOf = status.reached ? today : status.due;
        RevisionDeadline d;
        d.lease = lease;
        d.revisionDate = status.due;
        d.lastDay = lastDay;
        decide(d, reviseLease(lease, history, table, asOf), table);
        found.push_back(std::move(d));
    }
    std::sort(found.begin(), found.end(), [](const RevisionDeadline& a, const RevisionDeadline& b) {
        if (a.lastDay != b.lastDay)
            return a.lastDay < b.lastDay;
        return a.lease.reference < b.lease.reference;
    });
    return found;
}

std::optional<std::vector<RevisionDeadline>>
readComingDeadlines(LeaseStore& store, const IndexTable& table, const QDate& today)
{
    const auto leases = store.leases();
    const auto last = leases ? store.lastRevisions() : std::nullopt;
    if (!leases || !last)
        return std::nullopt;
    return comingDeadlines(*leases, *last, table, today);
}

QString deadlinesSummary(const std::vector<RevisionDeadline>& deadlines)
{
    int count = 0;
    QDate nearest;
    for (const RevisionDeadline& d : deadlines) {
        if (!d.toAsk())
            continue;
        ++count;
        if (!nearest.isValid() || d.lastDay < nearest)
            nearest = d.lastDay;
    }
    if (count == 0)
        return {};
    // "Avant le" names the day after the last one, as the register's statuses do.
    return (count == 1 ? QStringLiteral("1 révision")
                       : QString::number(count) + QStringLiteral(" révisions"))
           + QStringLiteral(" à demander avant le ") + dateText(nearest.addDays(1))
           + QStringLiteral(" — voir Baux");
}

} // namespace velmaris
