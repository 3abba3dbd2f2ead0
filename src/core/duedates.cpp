// SPDX-License-Identifier: GPL-3.0-or-later
#include "duedates.h"

#include "dates.h"

#include <algorithm>

namespace velmaris {

namespace {

// The first year whose revision date comes after `after`.
int firstYearAfter(const Lease& lease, const QDate& after)
{
    int year = after.year();
    while (revisionDateIn(lease, year) <= after)
        ++year;
    return year;
}

QDate deadlineOf(const Lease& lease, int year)
{
    return revisionDeadline(lease, revisionDateIn(lease, year));
}

} // namespace

QDate revisionDeadline(const Lease& lease, const QDate& due)
{
    if (!due.isValid())
        return {};
    const QDate yearOn = sameDayNextYear(due);
    const QDate next = revisionDateIn(lease, due.year() + 1);
    return next.isValid() ? std::min(yearOn, next) : yearOn;
}

QString DueStatus::text() const
{
    switch (state) {
    case DueState::UpToDate:
        return QStringLiteral("à jour");
    case DueState::Due:
        return QStringLiteral("à réviser avant le ") + dateText(deadline);
    case DueState::Lost:
        // A year lost never ends the matter: the revision of the date in
        // question can still be asked, and losing it too is what to avoid.
        return QStringLiteral("à réviser avant le %1 (révision perdue le %2)")
            .arg(dateText(deadline), dateText(lostOn));
    case DueState::Frozen:
        return QStringLiteral("gelée (DPE F/G)");
    }
    return {};
}

QDate revisionDateIn(const Lease& lease, int year)
{
    const int month = lease.effectiveRevisionMonth();
    const int day = lease.effectiveRevisionDay();
    const QDate date(year, month, day);
    if (date.isValid())
        return date;
    if (month == 2 && day == 29)
        return QDate(year, 3, 1);
    return {};
}

QDate contractStartAt(const Lease& lease, const QDate& date)
{
    // Unfurnished: 3 years with a person or a family SCI, 6 with a company.
    const int period = lease.furnished ? 1 : (lease.landlordKind == LandlordKind::Company ? 6 : 3);
    QDate start = lease.signingDate;
    if (!lease.startDate.isValid() || date < lease.startDate)
        return start;
    // Counted from the start date each time, so that 29 February does not drift.
    int k = (date.year() - lease.startDate.year()) / period;
    while (k > 0 && lease.startDate.addYears(k * period) > date)
        --k;
    if (k > 0)
        start = lease.startDate.addYears(k * period);
    return start;
}

QDate freezeDate(Territory territory)
{
    return territory == Territory::OutreMer ? QDate(2024, 7, 1) : QDate(2022, 8, 24);
}

bool rentFrozenAt(const Lease& lease, const QDate& due)
{
    if (lease.dpeClass != DpeClass::F && lease.dpeClass != DpeClass::G)
        return false;
    const QDate contract = contractStartAt(lease, due);
    return contract.isValid() && contract >= freezeDate(lease.territory);
}

std::optional<Quarter> referenceQuarterOf(const Lease& lease, const IndexTable& table)
{
    if (lease.referenceQuarter.isValid())
        return lease.referenceQuarter;
    for (const IndexRow& row : table.rows) {
        if (row.published.isValid() && row.published <= lease.signingDate)
            return row.quarter;
    }
    return std::nullopt;
}

QDate earliestPublication(Quarter quarter)
{
    // INSEE never publishes before the 10th of the month after the quarter.
    return quarter.lastDay().addDays(10);
}

PublishedQuarter lastPublished(int quarterNumber, const QDate& date, const IndexTable& table)
{
    // Nothing is published before its quarter ends: the newest candidate is
    // the last quarter of that number ended before the date.
    Quarter candidate(date.year(), quarterNumber);
    if (candidate.lastDay() >= date)
        candidate = candidate.yearEarlier();
    // A file read after the date holds every quarter published by then.
    QDate newestPublication;
    for (const IndexRow& row : table.rows) {
        if (row.published.isValid()) {
            newestPublication = row.published;
            break;
        }
    }
    Quarter unpublished;
    for (int tries = 0; tries < 2; ++tries, candidate = candidate.yearEarlier()) {
        const IndexRow* row = table.find(candidate);
        // Older than the series: the file lacks it, whatever the date.
        if (!row && (table.rows.empty() || candidate < table.oldestQuarter()))
            return {candidate, false, {}};
        if (row && row->published.isValid()) {
            if (row->published <= date)
                return {candidate, true, unpublished};
        } else if (tries > 0
                   || (date >= earliestPublication(candidate)
                       && !(newestPublication.isValid() && newestPublication > date))) {
            return {candidate, false, {}};
        }
        unpublished = candidate;
    }
    return {candidate.plus(4), false, {}};
}

DueStatus dueStatus(const Lease& lease, const RevisionRecord* last, const IndexTable& table,
                    const QDate& at)
{
    DueStatus status;
    if (!lease.startDate.isValid() || !lease.signingDate.isValid()
        || !revisionDateIn(lease, 2000).isValid())
        return status;

    // The first revision date after the last revision known, or after the start.
    QDate anchor;
    Quarter lastQuarter; // the index the rent was last set on
    if (last && last->dueDate.isValid()) {
        anchor = last->dueDate;
        lastQuarter = last->newQuarter;
    }
    if (lease.priorRevision.isValid() && (!anchor.isValid() || lease.priorRevision > anchor)) {
        anchor = lease.priorRevision;
        lastQuarter = Quarter();
    }
    const std::optional<Quarter> reference = referenceQuarterOf(lease, table);
    if (!anchor.isValid() && reference)
        lastQuarter = *reference;
    if (reference && !lastQuarter.isValid() && anchor.isValid()) {
        const PublishedQuarter then = lastPublished(reference->number(), anchor, table);
        if (then.found)
            lastQuarter = then.quarter;
    }

    int year = firstYearAfter(lease, anchor.isValid() ? anchor : lease.startDate);
    // A revision needs an index newer than the one the rent stands on: a
    // revision date reached before it is published does not count.
    if (reference && lastQuarter.isValid()) {
        for (int skips = 0; skips < 2; ++skips) {
            const PublishedQuarter n =
                lastPublished(reference->number(), revisionDateIn(lease, year), table);
            if (!n.found || n.quarter > lastQuarter)
                break;
            ++year;
        }
    }

    status.firstUnrevised = revisionDateIn(lease, year);
    int current = year;
    if (at >= status.firstUnrevised) {
        while (revisionDateIn(lease, current + 1) <= at)
            ++current;
        status.reached = true;
    }
    status.due = revisionDateIn(lease, current);
    status.deadline = deadlineOf(lease, current);
    status.lostYears = current - year;
    if (status.lostYears > 0)
        status.lostOn = deadlineOf(lease, year);
    if (rentFrozenAt(lease, status.due))
        status.state = DueState::Frozen;
    else if (!status.reached)
        status.state = DueState::UpToDate;
    else if (status.lostYears > 0)
        status.state = DueState::Lost;
    else
        status.state = DueState::Due;
    return status;
}

} // namespace velmaris
