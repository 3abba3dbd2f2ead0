#pragma once

#include "indextable.h"
#include "quarter.h"

#include <QDate>
#include <QString>

#include <optional>

namespace velmaris {

// The three series a rent can follow, oldest law first.
enum class IndexSeries {
    Icc,     // construction cost index, before 1995
    Average, // its four-quarter average, 1995 to early 2005
    Irl,     // rent reference index, from mid-2005
};

// Where a dwelling is: Corsica and the overseas departments have an IRL of
// their own since the 3rd quarter 2022.
enum class Territory {
    Metropole,
    Corse,
    OutreMer,
};

// Every rule that hangs on the 2nd quarter of 2005, when the IRL took over
// from the ICC, and on 1995, when the four-quarter average did, lives here.

// The last quarter whose row of the index file holds the ICC in column 2
// (and the IRL, if any, in column 4). Newer rows hold the IRL in column 2.
inline constexpr Quarter kLastIccQuarter{2005, 2};

inline bool rowHoldsIcc(Quarter quarter)
{
    return quarter <= kLastIccQuarter;
}

// The series that revises a rent at this anniversary quarter: the ICC before
// 1995, its average from 1995, the IRL from the 3rd quarter 2005. The 2nd
// quarter of 2005 follows the lease month when a lease date is known: January
// to April takes the IRL, May to December the average.
IndexSeries seriesForAnniversary(Quarter anniversary, const std::optional<QDate>& leaseDate);

// Whether the grid puts the weight on the average: from 1995 on, except the
// 2nd quarter of 2005.
bool averageMatters(Quarter quarter);

// The last quarter for which Corsica and the overseas departments share the
// mainland IRL.
inline constexpr Quarter kLastSharedIrlQuarter{2022, 2};

// The row's value in that series for that territory; 0 when the quarter has
// none. Up to the 2nd quarter 2022 a territory without a value of its own
// takes the mainland one.
double seriesValue(const IndexRow& row, IndexSeries series,
                   Territory territory = Territory::Metropole);

// How the series is named in a message: "ICC", "IRL", "IRL Corse",
// "moyenne des 4 derniers ICC".
QString seriesName(IndexSeries series, Territory territory = Territory::Metropole);

} // namespace velmaris
