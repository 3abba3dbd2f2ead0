#include "reportrows.h"

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
    if (last >= 0)
        out.rows.reserve(std::size_t(last) + 1);
    for (int r = 0; r <= last; ++r) {
        const IndexRow& row = table.rows[std::size_t(r)];
        out.rows.push_back(reportCells(row, rentText(schedule, row.quarter, style), style));
    }
    return out;
}

} // namespace velmaris
