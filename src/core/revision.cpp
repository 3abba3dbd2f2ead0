// SPDX-License-Identifier: GPL-3.0-or-later
#include "revision.h"

#include "amounts.h"
#include "numbers.h"
#include "revisionstep.h"

namespace velmaris {

const ScheduleEntry* Schedule::find(Quarter quarter) const
{
    if (entries.empty() || !quarter.isValid())
        return nullptr;
    const int k = entries.front().quarter.quartersSince(quarter);
    if (k < 0 || k >= int(entries.size()))
        return nullptr;
    return &entries[std::size_t(k)];
}

Schedule reviseRents(const IndexTable& table, const RevisionRequest& request)
{
    Schedule schedule;
    schedule.request = request;
    const int r = table.rowOf(request.reference);
    if (r < 0) {
        schedule.completed = false;
        schedule.message = QStringLiteral("Le %1 n’est pas dans le fichier des indices.")
                               .arg(request.reference.label());
        return schedule;
    }
    const auto& rows = table.rows;
    const int firstYear =
        request.leaseDate ? request.leaseDate->year() : rows[std::size_t(r)].published.year();

    std::vector<ScheduleEntry>& entries = schedule.entries;
    entries.resize(std::size_t(r) + 1);
    for (int k = 0; k <= r; ++k)
        entries[std::size_t(k)].quarter = rows[std::size_t(k)].quarter;
    entries[std::size_t(r)].kind = ScheduleEntry::Kind::Reference;
    entries[std::size_t(r)].cents = request.cents;

    int captions = 0;
    int cycle = 0;
    for (int j = r - 1; j >= 0; --j) {
        ScheduleEntry& entry = entries[std::size_t(j)];
        if (--cycle == -4)
            cycle = 0;
        if (cycle == -1) {
            entry.kind = ScheduleEntry::Kind::Caption;
            entry.year = firstYear + captions++;
            continue;
        }
        if (cycle != 0)
            continue;

        // An anniversary: both indices come from the series of this quarter,
        // the base from the same quarter one year earlier.
        const IndexRow& row = rows[std::size_t(j)];
        const Quarter baseQuarter = row.quarter.yearEarlier();
        const ScheduleEntry* previous = schedule.find(baseQuarter);
        const IndexSeries series = seriesFor(row.quarter, request.leaseDate);
        const std::optional<IndexValue> baseIndex = seriesIndex(table, baseQuarter, series);
        const std::optional<IndexValue> newIndex = seriesIndex(table, row.quarter, series);
        if (!baseIndex || !newIndex || !previous) {
            for (int k = j; k >= 0; --k)
                entries[std::size_t(k)] = ScheduleEntry{rows[std::size_t(k)].quarter};
            schedule.completed = false;
            schedule.message =
                missingIndexText(series, !baseIndex ? baseQuarter : row.quarter);
            return schedule;
        }
        entry.kind = ScheduleEntry::Kind::Revised;
        entry.series = series;
        entry.newIndex = *newIndex;
        entry.baseIndex = *baseIndex;
        entry.cents = revisedRent(previous->cents, *newIndex, *baseIndex, RentRounding::Grid);
        // Without "réévalué" a fall is not passed on; the kept amount carries forward.
        if (!request.reeval && previous->cents > entry.cents) {
            entry.cents = previous->cents;
            entry.kept = true;
        }
    }
    return schedule;
}

QString rentText(const ScheduleEntry* entry, const NumberStyle& style)
{
    if (!entry)
        return {};
    switch (entry->kind) {
    case ScheduleEntry::Kind::Empty:
        return {};
    case ScheduleEntry::Kind::Caption:
        return QStringLiteral("Loyer ") + QString::number(entry->year);
    case ScheduleEntry::Kind::Reference:
    case ScheduleEntry::Kind::Revised:
        return amountText(entry->cents, AmountLayout::Grid, style.decimalPoint);
    }
    return {};
}

} // namespace velmaris
