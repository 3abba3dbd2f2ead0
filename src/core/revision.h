// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indexseries.h"
#include "indextable.h"
#include "indexvalue.h"
#include "numberstyle.h"
#include "quarter.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace velmaris {

// What the user asked: this rent at this quarter.
struct RevisionRequest {
    Quarter reference;
    qint64 cents = 0;               // the reference rent
    std::optional<QDate> leaseDate; // when the lease date is known
    bool reeval = false;            // "réévalué": falls of the index lower the rent too

    bool operator==(const RevisionRequest&) const = default;
};

// What the revision gives one quarter, from the newest down to the reference.
struct ScheduleEntry {
    enum class Kind {
        Empty,     // nothing to show
        Reference, // the rent typed
        Caption,   // "Loyer 2019": the year of the rent just below it
        Revised,   // the rent at a yearly anniversary
    };
    Quarter quarter;
    Kind kind = Kind::Empty;
    int year = 0;     // Caption: the year it names
    qint64 cents = 0; // Reference and Revised
    // Revised: the series, its value at this quarter and one year earlier, and
    // whether a fall was not passed on (the rent stayed).
    IndexSeries series = IndexSeries::Irl;
    IndexValue newIndex{};
    IndexValue baseIndex{};
    bool kept = false;
};

struct Schedule {
    RevisionRequest request;
    std::vector<ScheduleEntry> entries; // newest quarter first, down to the reference
    bool completed = true;
    QString message; // why it stopped: "Indice manquant : IRL du 3è tr.2025."

    bool ok() const { return completed; }
    bool isEmpty() const { return entries.empty(); }
    // The entry of a quarter; nothing for a quarter older than the reference
    // or newer than the table.
    const ScheduleEntry* find(Quarter quarter) const;
};

// The rent at every yearly anniversary from the reference quarter up to the
// newest one: the reference rent, then towards the newer quarters a year
// caption, two empty quarters and the revised rent, in a four-quarter cycle.
// The first caption is the lease date's year when it is known, else the year
// the reference quarter was published. Each anniversary is revised from the
// amount of the same quarter one year earlier, by the series of the
// anniversary quarter (revisedRent(), RentRounding::Grid); without "réévalué"
// a fall never lowers the rent.
//
// A missing index at either anniversary stops the run: the anniversaries
// already revised stay, the newer quarters are empty, and the message names
// the missing index. A reference quarter the table does not hold gives an
// empty schedule that did not complete.
Schedule reviseRents(const IndexTable& table, const RevisionRequest& request);

// What the rent column shows for an entry: " 953,19", "Loyer 2019" or nothing.
QString rentText(const ScheduleEntry* entry, const NumberStyle& style);
inline QString rentText(const Schedule& schedule, Quarter quarter, const NumberStyle& style)
{
    return rentText(schedule.find(quarter), style);
}

} // namespace velmaris
