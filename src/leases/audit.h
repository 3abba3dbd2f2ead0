// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chargedrent.h"
#include "indextable.h"
#include "lawfulrevision.h"
#include "lease.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace velmaris {

// Why a rent charged differs from the lawful one, each found by recomputing
// what the landlord must have done.
enum class AuditCause {
    WrongQuarter,   // an index quarter other than the lease's reference quarter
    WrongSeries,    // another series (the mainland IRL for Corsica, the ICC...)
    FrozenIncrease, // an increase while the F/G freeze forbids any
    Retroactive,    // the new rent charged before the date it is owed from
    LostYear,       // a revision lost for want of a request within the year, applied
    Rounding,       // the right indices, rounded or truncated otherwise than to the cent
    Compounding,    // computed from the initial rent rather than the rent in force
    Late,           // the new rent charged later than it was owed (under-charged)
    Other,          // "autre écart": nothing above explains it
};

// "mauvais trimestre", "mauvaise série d'indices", ..., "autre écart".
QString auditCauseText(AuditCause cause);
// The causes one after the other: "mauvais trimestre, application rétroactive".
QString auditCausesText(const std::vector<AuditCause>& causes);

// One month of the audit: what was charged, what was owed.
struct AuditMonth {
    QDate month; // its first day
    qint64 chargedCents = 0;
    qint64 lawfulCents = 0; // a revision that takes effect within the month counts by the day
    // Older than three years at the audit date: past the limit for claiming it
    // back (art. 7-1 of the law of 6 July 1989).
    bool timeBarred = false;

    qint64 differenceCents() const { return chargedCents - lawfulCents; } // > 0: over-charged
};

// One revision as the audit recomputed it, beside what the landlord charged.
struct AuditRevision {
    QDate chargedFrom; // month from which the landlord charged the new rent
    qint64 chargedBeforeCents = 0;
    qint64 chargedCents = 0;
    QDate requestDate; // as given, taken from the register, or assumed (see requestKnown)
    bool requestKnown = false;
    // The lawful revision of that date (computed false: none was possible).
    LawfulRevision lawful;
    qint64 lawfulBeforeCents = 0;
};

// One difference: a change of the rent charged and the months until the next.
struct AuditFinding {
    QDate revisionDate; // the yearly revision date it belongs to; invalid when none
    QDate chargedFrom;  // month from which the landlord charged the new rent
    QDate lawfulFrom;   // date the lawful rent of that revision is owed from; invalid when none
    qint64 chargedCents = 0;
    qint64 lawfulCents = 0;
    std::vector<AuditCause> causes; // the first explains the amount
    // The change itself is right but starts from a rent already wrong since
    // this revision date (invalid when the rent was right before the change).
    QDate carriedFrom;
    QString text; // the explanation, in French
    QDate firstMonth, lastMonth;
    qint64 overCents = 0;  // over-charged in those months
    qint64 underCents = 0; // under-charged in those months (a positive amount)
};

struct AuditTotals {
    qint64 overCents = 0;           // over-charged in all
    qint64 underCents = 0;          // under-charged in all (a positive amount)
    qint64 overClaimableCents = 0;  // over-charged in the last three years
    qint64 underClaimableCents = 0; // under-charged in the last three years
    qint64 netCents() const { return overCents - underCents; }
};

// One yearly revision date from the first rent charged to the audit date:
// the revision the landlord made of it, or the one he lost, left frozen or has
// still to ask.
struct AuditYear {
    QDate revisionDate;
    // The indices of that date (computed false when none can be found).
    LawfulRevision lawful;
    qint64 lawfulCents = 0;  // the lawful rent after it
    qint64 chargedCents = 0; // the rent charged from then on
    bool made = false;       // the landlord changed the rent for it
    // Not made in the rents charged, but applied in the register: its record's
    // request and effect dates (invalid when it was not).
    QDate recordedRequest;
    QDate recordedEffect;
    bool lost = false;       // not asked within the year: the rent stays, the tenant owes nothing
    qint64 allowedCents = 0; // lost: the rent it would have allowed
    // "révision perdue (loyer permis 1 018,16)", "mauvais trimestre", ... or empty.
    QString cause;

    qint64 differenceCents() const { return chargedCents - lawfulCents; }
};

struct Audit {
    QDate auditDate;
    QDate limitDate; // months that start before it are past the three-year limit
    std::vector<AuditRevision> revisions;
    std::vector<AuditFinding> findings;
    std::vector<AuditMonth> months; // from the first month charged to the month of the audit
    std::vector<AuditYear> years;   // every revision date from the first month charged on
    AuditTotals totals;
    QStringList notes; // what the audit assumed, in French
    // Why the audit could not go on (a missing index, no rent charged...):
    // months from stoppedAt on are not compared. Empty when it is complete.
    QString error;
    QDate stoppedAt;

    bool complete() const { return error.isEmpty(); }
    bool clean() const { return complete() && findings.empty(); }
};

// The audit of a lease at auditDate. From the first rent charged, taken as the
// lawful rent then, each change of the rent charged is a revision asked for:
// on the request date of its period, else on the register's request for that
// revision date (history), else on the first day of the month it was charged
// from. The lawful rent is recomputed at each by reviseLease's rules (reference
// quarter, territory series, one-year limit, effect from the request, F/G
// freeze, clause) from the lawful rent before it, and every month compared.
// The audit's revision dates (Audit::years), from its revisions and months.
std::vector<AuditYear> auditYears(const Audit& audit, const Lease& lease, const IndexTable& table,
                                  const std::vector<RevisionRecord>& history = {});

Audit auditLease(const Lease& lease, const std::vector<ChargedRent>& periods,
                 const std::vector<RevisionRecord>& history, const IndexTable& table,
                 const QDate& auditDate);

} // namespace velmaris
