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

} // namespace velmaris::auditinternal
