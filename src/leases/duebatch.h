// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The month's batch: every lease due at a date, its lawful revision computed
// as "Réviser" computes it, then recorded at once, each checked as
// "Appliquer" checks it.

#include "indextable.h"
#include "lawfulrevision.h"
#include "lease.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace velmaris {

class LeaseStore;

struct DueRevision {
    Lease lease;             // as read when the batch was planned
    LawfulRevision revision; // asked on the batch's date; its explanation is in record
    RevisionRecord record;   // what recording it stores
    QString reason;          // why it is not (or was not) recorded; empty: it is to be
    bool recorded = false;

    bool recordable() const { return revision.canApply(); }
};

struct DueBatch {
    QDate date;
    std::vector<DueRevision> items; // in the register's order: most urgent first

    int recordableCount() const;
    int recordedCount() const;
};

// Every lease due at `date` (a request on that day), read from the register in
// two statements; nullopt when the register cannot be read (store.error()).
std::optional<DueBatch> planDueRevisions(LeaseStore& store, const IndexTable& table,
                                         const QDate& date);

// Records every recordable revision of the batch in one transaction; those
// another desk changed meanwhile are left out, their reason said. False when
// the register failed (nothing recorded, store.error()).
bool applyDueRevisions(LeaseStore& store, DueBatch& batch);

} // namespace velmaris
