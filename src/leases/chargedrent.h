// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lease.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

namespace velmaris {

// One period of the rent a landlord actually charged: a monthly rent, charges
// excluded, from the first day of a month until the next period begins.
struct ChargedRent {
    QDate month; // first day of the first month charged at this rent
    qint64 rentCents = 0;
    // When the landlord asked for this rent, if known: it decides from when a
    // revised rent is owed. Invalid = not known.
    QDate requestDate;

    bool operator==(const ChargedRent&) const = default;
};

// "03/2024".
QString monthText(const QDate& month);

// Reads "03/2024", "3/2024", the first of a month "01/03/2024" or "01/03/24"
// (what a spreadsheet makes of a month), or its name "mars 2024", "mars-24";
// the first day of that month, or nothing.
std::optional<QDate> parseMonth(QStringView text);

// The periods in month order.
void sortChargedRents(std::vector<ChargedRent>& periods);

// What is wrong with the periods of a lease, as French phrases starting in
// lower case ("mois 03/2024 saisi deux fois"); empty when they are sound. A
// period may not start before the month the lease takes effect.
QStringList validateChargedRents(const std::vector<ChargedRent>& periods, const Lease& lease);

// The same for one period alone.
QStringList validateChargedRent(const ChargedRent& period, const Lease& lease);

} // namespace velmaris
