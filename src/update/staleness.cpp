// SPDX-License-Identifier: GPL-3.0-or-later
#include "staleness.h"

#include "dates.h"

namespace velmaris {

QDate usualRelease(Quarter quarter)
{
    const QDate next = quarter.next().firstDay();
    return next.isValid() ? QDate(next.year(), next.month(), 15) : QDate();
}

std::optional<Staleness> staleness(const IndexTable& table, const QDate& today)
{
    if (table.rows.empty() || !today.isValid())
        return std::nullopt;
    // The quarter before today's has its release in today's quarter: step back
    // until a release is not later than today.
    Quarter published = Quarter::containing(today);
    while (published.isValid() && usualRelease(published) > today)
        published = published.previous();
    const Quarter known = table.newestQuarter();
    if (!published.isValid() || published <= known)
        return std::nullopt;
    return Staleness{known, published, usualRelease(published)};
}

QString stalenessText(const Staleness& s)
{
    const Quarter first = s.missing();
    if (first == s.published)
        return QStringLiteral("Indices connus jusqu'au %1 : il manque le %2, paru vers le %3.")
            .arg(s.known.label(), first.label(), dateText(s.release));
    return QStringLiteral("Indices connus jusqu'au %1 : il manque les trimestres du %2 (paru vers "
                          "le %3) au %4 (paru vers le %5).")
        .arg(s.known.label(), first.label(), dateText(usualRelease(first)), s.published.label(),
             dateText(s.release));
}

bool leaseMayFollowAMissingIndex(const IndexTable& table, const QDate& lease)
{
    if (table.rows.empty() || !lease.isValid())
        return false;
    const QDate newest = table.rows.front().published;
    return newest.isValid() && lease > newest.addMonths(4);
}

} // namespace velmaris
