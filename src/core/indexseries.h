// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "indexvalue.h"
#include "quarter.h"

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

namespace velmaris {

// The series a rent can follow, oldest law first; the IRL of Corsica and of
// the overseas departments are series of their own from the 3rd quarter 2022.
// The grid, the register, its history, the letter and the audit all name a
// series by this one type.
enum class IndexSeries {
    Icc,         // construction cost index, before 1995
    Average,     // its four-quarter average, 1995 to early 2005
    Irl,         // rent reference index, from mid-2005 (mainland France)
    IrlCorse,    // the IRL of Corsica
    IrlOutreMer, // the IRL of the overseas departments
};

// Where a dwelling is: Corsica and the overseas departments have an IRL of
// their own since the 3rd quarter 2022. Unset: a place INSEE publishes no
// series for (Saint-Pierre-et-Miquelon, Saint-Barthélemy, Saint-Martin), until
// the user chooses the series the lease follows.
enum class Territory {
    Metropole,
    Corse,
    OutreMer,
    Unset,
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

// The last quarter for which Corsica and the overseas departments share the
// mainland IRL.
inline constexpr Quarter kLastSharedIrlQuarter{2022, 2};

// The series that revises a rent at this anniversary quarter: the ICC before
// 1995, its average from 1995, the IRL from the 3rd quarter 2005, the
// territory's own IRL after the 2nd quarter 2022. The 2nd quarter of 2005
// follows the lease month when a lease date is known: January to April takes
// the IRL, May to December the average.
IndexSeries seriesFor(Quarter anniversary, const std::optional<QDate>& leaseDate,
                      Territory territory = Territory::Metropole);

// Whether the grid puts the weight on the average: from 1995 on, except the
// 2nd quarter of 2005.
bool averageMatters(Quarter quarter);

// The row's value in that series; 0 when the quarter has none. Up to the 2nd
// quarter 2022 Corsica and the overseas departments take the mainland value
// when they have none of their own.
double seriesValue(const IndexRow& row, IndexSeries series);

// The same from the table, exactly; nothing when the table lacks the quarter
// or the quarter has no value in the series.
std::optional<IndexValue> seriesIndex(const IndexTable& table, Quarter quarter, IndexSeries series);

// How a series is named in a message and in the register: "ICC", "IRL",
// "IRL Corse", "IRL outre-mer", "moyenne des 4 derniers ICC".
QString seriesName(IndexSeries series);
// "Indice manquant : IRL Corse du 2è tr.2025.", then how to get it: a regional
// value the index file was shipped without is typed by hand (the window or
// velmaris-cli --add-index), any other comes with the update, as does a
// regional value of a quarter the file does not have yet (quarterInFile false).
QString missingIndexText(IndexSeries series, Quarter quarter, bool quarterInFile = true);
// As a letter's figures name it, so that the tenant finds it at INSEE:
// "IRL, série métropole".
QString seriesFigureName(IndexSeries series);
// As a letter's sentence names it: "l'indice de référence des loyers (IRL)
// publié par l'INSEE pour la Corse".
QString seriesLongName(IndexSeries series);
// The key the register stores ("irl_corse"), and its reader.
QString seriesKey(IndexSeries series);
std::optional<IndexSeries> seriesFromKey(QStringView key);

} // namespace velmaris
