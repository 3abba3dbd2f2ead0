// SPDX-License-Identifier: GPL-3.0-or-later
// Which revision a letter is written for: the one due now, the coming one
// sent ahead, or the last one applied while its year runs.
#include "revisionletter.h"

#include "duedates.h"

#include <QHash>

#include <algorithm>

namespace velmaris {

LawfulRevision revisionOfRecord(const Lease& lease, const RevisionRecord& record)
{
    LawfulRevision r;
    r.status.state = DueState::Due;
    r.status.due = record.dueDate;
    r.status.firstUnrevised = record.dueDate;
    r.status.deadline = revisionDeadline(lease, record.dueDate);
    r.status.reached = true;
    r.computed = true;
    r.requestDate = record.requestDate;
    r.effectiveDate = record.effectiveDate;
    r.series = record.series;
    r.baseQuarter = record.baseQuarter;
    r.newQuarter = record.newQuarter;
    r.baseValue = record.baseValue;
    r.newValue = record.newValue;
    r.oldRentCents = record.oldRentCents;
    r.newRentCents = record.newRentCents;
    return r;
}

LetterBasis letterBasis(const Lease& lease, const std::vector<RevisionRecord>& history,
                        const IndexTable& table, const QDate& today)
{
    LawfulRevision now = reviseLease(lease, history, table, today);
    if (now.status.reached || !now.status.due.isValid())
        return {std::move(now), today, false};
    // Sent ahead of the revision date, the request takes effect on that date;
    // it can only quote an index published by the day it is written.
    LawfulRevision coming = reviseLease(lease, history, table, now.status.due);
    const IndexRow* index = table.find(coming.newQuarter);
    if (coming.canApply() && coming.status.due == now.status.due && index
        && index->published.isValid() && index->published <= today)
        return {std::move(coming), today, false};
    const RevisionRecord* last = nullptr;
    for (const RevisionRecord& rec : history)
        if (!last || rec.dueDate > last->dueDate)
            last = &rec;
    if (last && last->dueDate.isValid() && today < revisionDeadline(lease, last->dueDate))
        return {revisionOfRecord(lease, *last), last->requestDate, true};
    return {std::move(now), today, false};
}

std::vector<MonthLetter> monthLetters(const std::vector<Lease>& leases,
                                      const std::vector<RevisionRecord>& lastRevisions,
                                      const IndexTable& table, const QDate& today, int year,
                                      int month)
{
    QHash<qint64, const RevisionRecord*> lastOf;
    for (const RevisionRecord& rec : lastRevisions) {
        const RevisionRecord*& slot = lastOf[rec.leaseId];
        if (!slot || rec.dueDate > slot->dueDate)
            slot = &rec;
    }
    std::vector<MonthLetter> letters;
    std::vector<RevisionRecord> history;
    for (const Lease& lease : leases) {
        history.clear();
        if (const RevisionRecord* last = lastOf.value(lease.id))
            history.push_back(*last);
        const auto inMonth = [&](const QDate& due) {
            return due.isValid() && due.year() == year && due.month() == month;
        };
        LetterBasis basis = letterBasis(lease, history, table, today);
        // A revision still to ask whose last day falls in the month is the
        // month's business too: its letter must go before that day.
        const DueStatus& s = basis.revision.status;
        // (The deadline is the first day it can no longer be asked.)
        const bool lastDayInMonth = s.reached && !basis.recorded
                                    && inMonth(s.deadline.addDays(-1))
                                    && s.state != DueState::Frozen;
        if (!inMonth(s.due) && !lastDayInMonth) {
            // Its letter is still the one of the year before: the list names
            // the coming revision of the month all the same, with its date.
            LawfulRevision now = reviseLease(lease, history, table, today);
            if (now.status.reached || !inMonth(now.status.due))
                continue;
            basis = {std::move(now), today, false};
        }
        letters.push_back({&lease, std::move(basis)});
    }
    std::sort(letters.begin(), letters.end(), [](const MonthLetter& a, const MonthLetter& b) {
        const QDate da = a.basis.revision.status.due, db = b.basis.revision.status.due;
        return da != db ? da < db : a.lease->reference < b.lease->reference;
    });
    return letters;
}

} // namespace velmaris
