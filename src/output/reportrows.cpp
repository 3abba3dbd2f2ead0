// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportrows.h"

#include "amounts.h"
#include "dates.h"
#include "numbers.h"

#include <algorithm>

namespace velmaris {

namespace {

QString numberCell(double value, const NumberStyle& style)
{
    return value == 0 ? QString() : formatGeneral(value, style);
}

} // namespace

std::array<ReportCells, kHeadingLines> reportHeadings(bool reeval)
{
    const QString rent =
        reeval ? QStringLiteral("loyer (réévalué)") : QStringLiteral("loyer (augmenté)");
    return {{
        {QString(), QString(), QStringLiteral("Moyennes des"), QStringLiteral("Indice de"),
         QStringLiteral("Date de"), QStringLiteral("Montant du")},
        {QStringLiteral("Trimestre"), QStringLiteral("Indice"), QStringLiteral("4 derniers"),
         QStringLiteral("référence"), QStringLiteral("parution au"), rent},
        {QString(), QString(), QStringLiteral("indices"), QStringLiteral("des loyers"),
         QStringLiteral("Journal Officiel"), QStringLiteral("(hors charges)")},
    }};
}

ReportCells reportCells(const IndexRow& row, const QString& rent, const NumberStyle& style)
{
    return {row.label(),
            numberCell(row.icc, style),
            numberCell(row.average, style),
            numberCell(row.irl, style),
            formatShortDate(row.published, style),
            rent};
}

ReportRows reportRows(const IndexTable& table, int referenceRow, const Schedule& schedule,
                      bool reeval, const NumberStyle& style)
{
    ReportRows out;
    out.headings = reportHeadings(reeval);
    // A reference row left over from a longer table must not read past the end.
    const int last = std::min(referenceRow, table.lastRow());
    if (last >= 0) {
        out.rows.reserve(std::size_t(last) + 1);
        out.paperRents.reserve(std::size_t(last) + 1);
    }
    for (int r = 0; r <= last; ++r) {
        const IndexRow& row = table.rows[std::size_t(r)];
        const ScheduleEntry* entry = schedule.find(row.quarter);
        out.rows.push_back(reportCells(row, rentText(entry, style), style));
        const bool amount = entry
                            && (entry->kind == ScheduleEntry::Kind::Reference
                                || entry->kind == ScheduleEntry::Kind::Revised);
        out.paperRents.push_back(amount ? paperEuros(entry->cents, style)
                                        : out.rows.back()[kReportColumns - 1]);
    }
    return out;
}

QString paperEuros(qint64 cents, const NumberStyle& style)
{
    return amountText(cents, AmountLayout::NoBreak, style.decimalPoint) + QChar(0xA0) + u'€';
}

ReportHeading reportHeading(const IndexTable& table, int referenceRow, const Schedule& schedule,
                            const QDate& printed, const NumberStyle& style)
{
    ReportHeading heading;
    heading.printed = printed;
    if (!table.hasRow(referenceRow))
        return heading;
    const Quarter quarter = table.rows[std::size_t(referenceRow)].quarter;
    heading.referenceQuarter = quarter.longLabel();
    if (const ScheduleEntry* entry = schedule.find(quarter);
        entry && entry->kind == ScheduleEntry::Kind::Reference)
        heading.referenceRent = paperEuros(entry->cents, style);
    if (schedule.request.reference == quarter && schedule.request.leaseDate)
        heading.leaseDate = *schedule.request.leaseDate;
    return heading;
}

QString reportTitle()
{
    return QStringLiteral("Révision du loyer");
}

QStringList reportHeadingLines(const ReportHeading& heading)
{
    QStringList lines;
    if (!heading.referenceQuarter.isEmpty())
        lines << QStringLiteral("Trimestre de référence\u00a0: ") + heading.referenceQuarter;
    if (!heading.referenceRent.isEmpty())
        lines << QStringLiteral("Loyer de référence hors charges\u00a0: ") + heading.referenceRent;
    if (heading.leaseDate.isValid())
        lines << QStringLiteral("Date du bail\u00a0: ") + longDateText(heading.leaseDate);
    if (heading.printed.isValid())
        lines << QStringLiteral("Établi le ") + longDateText(heading.printed);
    return lines;
}

} // namespace velmaris
