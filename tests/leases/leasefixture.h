// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The index series and leases the lease tests share.

#include "indexfile.h"
#include "indextable.h"
#include "lease.h"

#include <QFile>
#include <QTest>

namespace velmaris::test {

// The shipped index file (real INSEE figures and publication dates) up to the
// 3rd quarter 2025, the newest these tests were written against (a missing 4th
// quarter stops a revision), with the Corsica and overseas IRL as published
// from the 3rd quarter 2022 (the 2nd quarter 2025 missing, as in the data the
// program has).
inline IndexTable realTable()
{
    QFile file(QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("shipped index file missing");
    const IndexFileResult parsed = parseIndexFile(file.readAll());
    if (!parsed.ok())
        qFatal("shipped index file unreadable");
    IndexTable table;
    table.rows = parsed.rows;
    while (!table.rows.empty() && table.rows.front().quarter > Quarter(2025, 3))
        table.rows.erase(table.rows.begin());

    struct Regional {
        Quarter quarter;
        double outreMer, corse;
    };
    const Regional regional[] = {
        {{2025, 3}, 142.97, 141.58}, {{2025, 1}, 142.67, 141.28}, {{2024, 4}, 141.86, 140.48},
        {{2024, 3}, 141.74, 140.36}, {{2024, 2}, 143.77, 143.07}, {{2024, 1}, 140.70, 139.33},
        {{2023, 4}, 139.32, 137.97}, {{2023, 3}, 138.33, 136.98}, {{2023, 2}, 139.23, 138.55},
        {{2023, 1}, 137.27, 136.60}, {{2022, 4}, 135.93, 135.27}, {{2022, 3}, 134.96, 134.30},
    };
    for (const Regional& r : regional) {
        IndexRow& row = table.rows[std::size_t(table.rowOf(r.quarter))];
        row.irlOutreMer = r.outreMer;
        row.irlCorse = r.corse;
    }
    return table;
}

inline QDate day(const char* text)
{
    return QDate::fromString(QString::fromLatin1(text), u"dd/MM/yyyy");
}

// A sound mainland lease, unfurnished, signed and started the same day.
inline Lease makeLease(const QString& reference, const QDate& start, qint64 rentCents)
{
    Lease lease;
    lease.reference = reference;
    lease.tenant = QStringLiteral("Mme Durand");
    lease.address = QStringLiteral("3 rue des Lilas");
    lease.postalCode = QStringLiteral("69003");
    lease.signingDate = start;
    lease.startDate = start;
    lease.rentCents = rentCents;
    lease.chargesCents = 5000;
    return lease;
}

// A revision of the lease asked and owed on its due date, by the IRL of the
// 2nd quarter (140,59 then 145,17), to the given rent.
inline RevisionRecord revisionOf(const Lease& lease, const QDate& due, qint64 newRent)
{
    RevisionRecord rec;
    rec.leaseId = lease.id;
    rec.dueDate = rec.requestDate = rec.effectiveDate = due;
    rec.oldRentCents = lease.rentCents;
    rec.newRentCents = newRent;
    rec.baseQuarter = Quarter(2023, 2);
    rec.baseValue = 140.59;
    rec.newQuarter = Quarter(2024, 2);
    rec.newValue = 145.17;
    return rec;
}

} // namespace velmaris::test
