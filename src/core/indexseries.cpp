#include "indexseries.h"

namespace velmaris {

IndexSeries seriesForAnniversary(Quarter anniversary, const std::optional<QDate>& leaseDate)
{
    if (anniversary > kLastIccQuarter)
        return IndexSeries::Irl;
    if (anniversary == kLastIccQuarter) {
        // The IRL came in during that quarter: a lease signed from May on
        // still revised on the average.
        if (!leaseDate || leaseDate->month() <= 4)
            return IndexSeries::Irl;
        return IndexSeries::Average;
    }
    if (anniversary.year() >= 1995)
        return IndexSeries::Average;
    return IndexSeries::Icc;
}

bool averageMatters(Quarter quarter)
{
    return quarter.year() >= 1995 && quarter != kLastIccQuarter;
}

double seriesValue(const IndexRow& row, IndexSeries series, Territory territory)
{
    switch (series) {
    case IndexSeries::Icc:
        return row.icc;
    case IndexSeries::Average:
        return row.average;
    case IndexSeries::Irl:
        break;
    }
    double own = row.irl;
    if (territory == Territory::Corse)
        own = row.irlCorse;
    else if (territory == Territory::OutreMer)
        own = row.irlOutreMer;
    if (own == 0 && row.quarter <= kLastSharedIrlQuarter)
        return row.irl;
    return own;
}

QString seriesName(IndexSeries series, Territory territory)
{
    switch (series) {
    case IndexSeries::Icc:
        return QStringLiteral("ICC");
    case IndexSeries::Average:
        return QStringLiteral("moyenne des 4 derniers ICC");
    case IndexSeries::Irl:
        break;
    }
    switch (territory) {
    case Territory::Metropole:
        break;
    case Territory::Corse:
        return QStringLiteral("IRL Corse");
    case Territory::OutreMer:
        return QStringLiteral("IRL outre-mer");
    }
    return QStringLiteral("IRL");
}

} // namespace velmaris
