// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The last days to ask a revision that come soon: a yearly revision not asked
// within a year of its date is lost for good, the loss landlords most often
// suffer without noticing.

#include "indextable.h"
#include "lease.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace velmaris {

class LeaseStore;

// How many days ahead a last day to ask counts as coming.
inline constexpr int kDeadlineWarningDays = 60;

// What the landlord has to do before the last day.
enum class DeadlineAction {
    WriteLetter,  // the index is out: the revision can be asked now
    AwaitIndex,   // the index of the revision is not published yet
    Frozen,       // F or G dwelling under the freeze: no revision to ask
    NothingToAsk, // the rent would not change (a fall under "à la hausse seulement")
    Blocked,      // the lease lacks what a revision needs (reason in todo)
};

struct RevisionDeadline {
    Lease lease;
    QDate revisionDate;
    QDate lastDay;   // the last day the revision may still be asked
    QDate indexFrom; // AwaitIndex: the earliest day its index may come out
    DeadlineAction action = DeadlineAction::WriteLetter;
    QString todo; // "écrire la lettre maintenant", "gelé (DPE F/G) : rien à demander"…

    // Whether something is to be asked before the last day.
    bool toAsk() const
    {
        return action == DeadlineAction::WriteLetter || action == DeadlineAction::AwaitIndex;
    }
};

// Every revision whose last day to ask falls from today to `withinDays` days
// ahead, the most urgent first (then by reference). lastRevisions holds the
// latest record of each lease, as LeaseStore::lastRevisions() gives them.
std::vector<RevisionDeadline> comingDeadlines(const std::vector<Lease>& leases,
                                              const std::vector<RevisionRecord>& lastRevisions,
                                              const IndexTable& table, const QDate& today,
                                              int withinDays = kDeadlineWarningDays);

// The same from the register; nullopt when it cannot be read (store.error()).
std::optional<std::vector<RevisionDeadline>>
readComingDeadlines(LeaseStore& store, const IndexTable& table, const QDate& today);

// "3 révisions à demander avant le 15/12/2026 — voir Baux", the date being
// the nearest end of the delay; empty when nothing is to be asked.
QString deadlinesSummary(const std::vector<RevisionDeadline>& deadlines);

} // namespace velmaris
