#pragma once

#include "indextable.h"

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

namespace velmaris {

// The three series a rent can follow, oldest law first.
enum class IndexSeries {
    Icc,     // construction cost index, before 1995
    Average, // its four-quarter average, 1995 to early 2005
    Irl,     // rent reference index, from mid-2005
};

// The series that revises a rent at the anniversary quarter with this label
// ("2è tr.2005"). The year is the label's last four characters and the quarter
// its first one, compared as text. The second quarter of 2005 follows the
// lease month when a lease date is known: January to April takes the IRL, May
// to December the average.
IndexSeries seriesForAnniversary(QStringView label, const std::optional<QDate>& leaseDate);

// The row's value in that series; 0 when the quarter has none.
double seriesValue(const IndexRow& row, IndexSeries series);

// How the series is named in a message: "ICC", "IRL", "moyenne des 4 derniers ICC".
QString seriesName(IndexSeries series);

} // namespace velmaris
