// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the audit and its recognition of causes share.

#include "amounts.h"
#include "audit.h"

#include <QDate>
#include <QString>

#include <vector>

namespace velmaris::auditinternal {

// Why no revision was possible at a change of the rent charged.
enum class NoRevision {
    None,        // a revision was possible: see Change::lawful
    BeforeFirst, // before the lease's first revision date
    SameYear,    // this yearly revision was made already
    NoNewIndex,  // no index newer than the one the rent stands on was published
    Frozen,      // an F/G dwelling under the freeze: no revision at all (yearRevision)
};

// One change of the rent charged, as the landlord made it.
struct Change {
    const Lease* lease = nullptr;
    const IndexTable* table = nullptr;
    qint64 before = 0;      // rent charged before the change
    qint64 after = 0;       // rent charged from it
    qint64 initial = 0;     // the first rent charged
    Quarter initialQuarter; // the index quarter that first rent stands on
    QDate latest;           // last day the landlord could have computed by
    // The lawful revision computed on `before` (the landlord's own rent), when
    // one was possible.
    const LawfulRevision* lawful = nullptr;
    NoRevision none = NoRevision::None;
    // SameYear: the revision already made in that year.
    const LawfulRevision* yearRevision = nullptr;
};

// What explains the amount of a change.
struct Recognition {
    std::vector<AuditCause> causes; // empty: the amount is the lawful one
    QString text;                   // French, a whole sentence or more
};

Recognition recognise(const Change& change);

QDate firstOfMonth(const QDate& date);
QDate lastOfMonth(const QDate& date);

// The lawful rent from a day on: a revision taking effect within a month
// counts by the day.
struct LawfulChange {
    QDate from;
    qint64 rent;
};

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

// What the walk over the changes of the rent charged found.
struct Walk {
    std::vector<LawfulChange> lawful; // the lawful rent, from the first month charged
    std::vector<Event> events;
    QDate stop; // the first month not compared (a revision could not be computed)
};

// Each change of the rent charged (periods sorted, validated), as a revision
// asked for, against the lawful revision of `revised` (the lease as the audit
// revises it, from the first rent charged). Fills audit.revisions, and
// audit.error when a revision cannot be computed.
Walk walkChanges(Audit& audit, const Lease& lease, const Lease& revised,
                 const std::vector<ChargedRent>& periods,
                 const std::vector<RevisionRecord>& history, const IndexTable& table);

} // namespace velmaris::auditinternal
