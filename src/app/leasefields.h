// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "lease.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace velmaris {

// The lease form's boxes as the user filled them: texts where the user types,
// values where the user picks.
struct LeaseFields {
    // Every box alike: whether the user changed the form.
    bool operator==(const LeaseFields&) const = default;

    QString reference, tenant, tenantEmail, address, postalCode;
    QString town;
    Territory territory = Territory::Metropole;
    bool furnished = false;
    qint64 ownerId = 0;             // the owner picked; -1: a name typed that is no owner's
    QString signingDate, startDate; // dd/mm/yyyy
    Quarter referenceQuarter;       // none: the last published at the signing date
    QString revisionDate;           // dd/mm; empty: the anniversary of the start date
    Clause clause = Clause::HausseSeulement;
    DpeClass dpe = DpeClass::None;
    QString dpeDate;
    QString rent, charges;
    QString priorRevision; // dd/mm/yyyy or empty
    QString notes;
};

// The boxes showing a lease (amounts "1 234,50", dates dd/mm/yyyy).
LeaseFields fieldsOf(const Lease& lease);

// The lease the boxes describe, with the id given. *problems gets every reason
// to refuse it, in French, validateLease()'s included: what cannot be read is
// never taken for empty.
Lease leaseOf(const LeaseFields& fields, qint64 id, QStringList* problems);

// What the form says of a lease naming no quarter: which one its signing date gives.
QString referenceQuarterHint(const QDate& signingDate, const IndexTable& table);

} // namespace velmaris
