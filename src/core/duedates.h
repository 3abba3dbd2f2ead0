// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "lease.h"

#include <QDate>
#include <QString>

#include <optional>

namespace velmaris {

// Where a lease stands at a date, as the register shows it.
enum class DueState {
    UpToDate, // no revision date reached that is not revised yet
    Due,      // the revision date is reached; ask before the deadline
    Lost,     // at least one yearly revision was not asked in time
    Frozen,   // F or G dwelling under a contract from the freeze date: no revision at all
};

struct DueStatus {
    DueState state = DueState::UpToDate;
    // The revision date in question: the latest one reached and not revised
    // (Due, Lost, Frozen), or the next one (UpToDate and Frozen before it).
    QDate due;
    QDate deadline;       // the revision of `due` must be asked before this date
    QDate firstUnrevised; // oldest revision date not revised yet
    QDate lostOn;         // lostYears > 0: when the revision of firstUnrevised was lost
    int lostYears = 0;    // yearly revisions lost between firstUnrevised and due
    bool reached = false; // `due` is on or before the date asked about

    // "à jour", "à réviser avant le 15/03/2026", "gelée (DPE F/G)",
    // "à réviser avant le 15/03/2026 (révision perdue le 15/03/2025)".
    QString text() const;
    // Whether the register lists the lease as one to revise.
    bool isDue() const { return state == DueState::Due || state == DueState::Lost; }
};

// The status of a lease at a date (today, or the date of a request), given its
// last applied revision (nullptr for none) and the index series, which only
// serves to skip a first revision date at which no index newer than the
// lease's own is published yet.
DueStatus dueStatus(const Lease& lease, const RevisionRecord* last, const IndexTable& table,
                    const QDate& at);

// The lease's revision date in a year: its day and month, 29 February giving
// 1 March in the other years.
QDate revisionDateIn(const Lease& lease, int year);

// The day before which the revision of `due` must be asked: a year after it,
// and never past the next revision date.
QDate revisionDeadline(const Lease& lease, const QDate& due);

// The date the contract in force at `date` was signed or renewed: the signing
// date, then a renewal every three years (six when the landlord is a company,
// every year when furnished) from the start date.
QDate contractStartAt(const Lease& lease, const QDate& date);

// From when the F/G freeze applies to contracts signed or renewed: 24/08/2022
// in mainland France and Corsica, 01/07/2024 overseas.
QDate freezeDate(Territory territory);

// Whether the rent of an F or G dwelling may not rise at this revision date.
bool rentFrozenAt(const Lease& lease, const QDate& due);

// The lease's reference quarter: the one it names, or the last one published
// at the signing date; nothing when the series has none that old.
std::optional<Quarter> referenceQuarterOf(const Lease& lease, const IndexTable& table);

// The quarter of this number (1 to 4) last published on or before the date.
// A quarter the series lacks counts as not yet published when the date comes
// before its earliest publication (the 10th of the month after it), or when
// the series has a publication newer than the date: then the year before
// applies. Otherwise `found` is false and `quarter` names the missing one.
struct PublishedQuarter {
    Quarter quarter;
    bool found = false;
    Quarter unpublished; // found: the newer quarter not yet out at the date, if any
};
PublishedQuarter lastPublished(int quarterNumber, const QDate& date, const IndexTable& table);

// The earliest day INSEE may publish a quarter: the 10th of the month after it.
QDate earliestPublication(Quarter quarter);

} // namespace velmaris
