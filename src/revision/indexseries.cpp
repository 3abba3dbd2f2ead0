#include "indexseries.h"

namespace velmaris {

IndexSeries seriesForAnniversary(QStringView label, const std::optional<QDate>& leaseDate)
{
    // Text comparisons on purpose: four-digit years order like numbers, and a
    // label without a year falls to the oldest rule as it always has.
    const QStringView year = label.size() >= 4 ? label.right(4) : label;
    const QStringView quarter = label.left(1);

    if (year > u"2005")
        return IndexSeries::Irl;
    if (year == u"2005") {
        if (QStringView(u"34").contains(quarter))
            return IndexSeries::Irl;
        if (quarter == u"2") {
            // The IRL came in during that quarter: a lease signed from May on
            // still revised on the average.
            if (!leaseDate || leaseDate->month() <= 4)
                return IndexSeries::Irl;
            return IndexSeries::Average;
        }
        return IndexSeries::Average;
    }
    if (year >= u"1995")
        return IndexSeries::Average;
    return IndexSeries::Icc;
}

double seriesValue(const IndexRow& row, IndexSeries series)
{
    switch (series) {
    case IndexSeries::Icc:
        return row.icc;
    case IndexSeries::Average:
        return row.average;
    case IndexSeries::Irl:
        return row.irl;
    }
    return 0;
}

QString seriesName(IndexSeries series)
{
    switch (series) {
    case IndexSeries::Icc:
        return QStringLiteral("ICC");
    case IndexSeries::Average:
        return QStringLiteral("moyenne des 4 derniers ICC");
    case IndexSeries::Irl:
        return QStringLiteral("IRL");
    }
    return {};
}

} // namespace velmaris
