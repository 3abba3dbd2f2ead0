// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "quarter.h"

#include <QDate>
#include <QString>

#include <optional>

namespace velmaris {

// When INSEE usually publishes a quarter: the 15th of the month after it ends.
QDate usualRelease(Quarter quarter);

// A table that lacks a quarter INSEE has already published, going by its
// usual calendar.
struct Staleness {
    Quarter known;     // the newest quarter of the table
    Quarter published; // the newest quarter whose usual release has passed
    QDate release;     // that release

    Quarter missing() const { return known.next(); } // the one to add first
};

// Nothing when the table holds every quarter usually out by today (or is empty).
std::optional<Staleness> staleness(const IndexTable& table, const QDate& today);

// "Indices connus jusqu'au 3è tr.2025 : il manque le 4è tr.2025, paru vers le
// 15/01/2026.", or with several quarters missing "...: il manque les trimestres
// du 4è tr.2025 (paru vers le 15/01/2026) au 3è tr.2026 (paru vers le 15/10/2026)."
QString stalenessText(const Staleness& staleness);

// The two ways to get it, as the window offers them.
inline constexpr QStringView kStalenessMend = u"Mise à jour";
inline constexpr QStringView kStalenessType = u"Saisir un indice…";

// A lease signed more than four months after the newest publication of the
// table may fall after a quarter the table does not have yet.
bool leaseMayFollowAMissingIndex(const IndexTable& table, const QDate& lease);

// What the lookup says then.
inline constexpr QStringView kLeaseAfterKnownIndices =
    u"Un indice plus récent a pu paraître avant cette date : mettez les indices à jour.";

} // namespace velmaris
