// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "duedates.h"
#include "indextable.h"
#include "lease.h"

#include <QDate>
#include <QString>

#include <vector>

namespace velmaris {

// One line of the explanation of a revision, with the rule it applies.
struct ExplanationLine {
    QString text;      // "Nouveau loyer : 850,00 € × 145,47 ÷ 142,06 = 870,42 €."
    QString reference; // "art. 17-1 de la loi du 6 juillet 1989, ..."
};

// What the law allows for one lease at a request date.
struct LawfulRevision {
    DueStatus status;
    // The amounts below hold: the indices were found. False when the revision
    // date is not reached yet or the series lacks a value (see error).
    bool computed = false;
    // An F/G lease under the freeze: not revised at all, whatever the clause;
    // no index is needed and the rent stays (computed false, no error,
    // nothing to record).
    bool frozen = false;
    QString error; // "Indice manquant : IRL Corse du 2è tr.2025."

    QDate requestDate;
    QDate effectiveDate; // the request date: a revision never takes effect earlier
    IndexSeries series = IndexSeries::Irl;
    Quarter baseQuarter, newQuarter;
    // The newer quarter not yet published at the revision date, whose year
    // before gives the new index instead; invalid when there is none.
    Quarter unpublishedQuarter;
    double baseValue = 0, newValue = 0;
    qint64 oldRentCents = 0;
    qint64 newRentCents = 0;
    // rent x new / base as the formula gives it, before the clause and the freeze.
    qint64 formulaCents = 0;

    std::vector<ExplanationLine> lines;

    // Whether "Appliquer" may record it: computed, for a reached revision date.
    bool canApply() const { return computed && status.reached; }
    // The history record that applying it stores.
    RevisionRecord record(qint64 leaseId) const;
};

// The lawful revision of a lease asked on requestDate (today, for the
// register), from its history (any order; the latest revision date counts) and
// the index table (its rows newest first, one per quarter, with their
// publication dates):
// - due once a year at the revision date; the new index is the reference
//   quarter last published by that date, the base the same quarter a year
//   earlier, both in the series of the period and the territory;
// - a quarter not yet published at the revision date (lastPublished()) gives
//   way to the one of the year before;
// - rent x new / base by revisedRent(), RentRounding::Register (the cent below);
// - a fall lowers the rent only under "à la hausse et à la baisse";
// - a revision not asked within a year of its date is lost, the next one
//   starts from the rent paid with one year's change; asked within the year it
//   takes effect from the request;
// - no revision at all for an F or G dwelling under a contract signed or
//   renewed from the freeze date of its territory, whatever the clause: such a
//   lease needs no index; it is `frozen`, its rent unchanged;
// - no revision for a lease whose territory is not chosen (Territory::Unset).
LawfulRevision reviseLease(const Lease& lease, const std::vector<RevisionRecord>& history,
                           const IndexTable& table, const QDate& requestDate);

// The series that revises the lease's rent when its new index is this
// quarter: seriesFor() with the signing date and the lease's territory.
IndexSeries leaseSeries(const Lease& lease, Quarter newQuarter);

// A revision is recorded when it is asked: a request dated after today is
// refused with this text, in French (its letter may be prepared ahead).
QString requestAheadText(const QDate& request, const QDate& today);

// Whether a revision date falls under the 2014 law (in force from 27 March
// 2014); before it the revision clause was governed by art. 17 d.
bool underLaw2014(const QDate& due);

// The legal references the explanation lines cite.
QString referenceLaw2014();    // art. 17-1 as amended on 24 March 2014
QString referenceFreeze2021(); // art. 17-1 as amended on 22 August 2021 (art. 159)

} // namespace velmaris
