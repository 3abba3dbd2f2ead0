// SPDX-License-Identifier: GPL-3.0-or-later
#include "indexseries.h"

namespace velmaris {

IndexSeries seriesFor(Quarter anniversary, const std::optional<QDate>& leaseDate,
                      Territory territory)
{
    if (anniversary > kLastSharedIrlQuarter && territory == Territory::Corse)
        return IndexSeries::IrlCorse;
    if (anniversary > kLastSharedIrlQuarter && territory == Territory::OutreMer)
        return IndexSeries::IrlOutreMer;
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

double seriesValue(const IndexRow& row, IndexSeries series)
{
    double own = 0;
    switch (series) {
    case IndexSeries::Icc:
        return row.icc;
    case IndexSeries::Average:
        return row.average;
    case IndexSeries::Irl:
        return row.irl;
    case IndexSeries::IrlCorse:
        own = row.irlCorse;
        break;
    case IndexSeries::IrlOutreMer:
        own = row.irlOutreMer;
        break;
    }
    if (own == 0 && row.quarter <= kLastSharedIrlQuarter)
        return row.irl;
    return own;
}

std::optional<IndexValue> seriesIndex(const IndexTable& table, Quarter quarter, IndexSeries series)
{
    const IndexRow* row = table.find(quarter);
    return row ? IndexValue::fromDouble(seriesValue(*row, series)) : std::nullopt;
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
    case IndexSeries::IrlCorse:
        return QStringLiteral("IRL Corse");
    case IndexSeries::IrlOutreMer:
        return QStringLiteral("IRL outre-mer");
    }
    return {};
}

QString seriesFigureName(IndexSeries series)
{
    switch (series) {
    case IndexSeries::Icc:
    case IndexSeries::Average:
        return seriesName(series);
    case IndexSeries::Irl:
        return QStringLiteral("IRL, série métropole");
    case IndexSeries::IrlCorse:
        return QStringLiteral("IRL, série Corse");
    case IndexSeries::IrlOutreMer:
        return QStringLiteral("IRL, série outre-mer");
    }
    return {};
}

QString seriesLongName(IndexSeries series)
{
    const QString irl = QStringLiteral("l’indice de référence des loyers (IRL) publié par l’INSEE");
    switch (series) {
    case IndexSeries::Icc:
        return QStringLiteral("l’indice du coût de la construction (ICC) publié par l’INSEE");
    case IndexSeries::Average:
        return QStringLiteral("la moyenne sur quatre trimestres de l’indice du coût de la "
                              "construction (ICC) publié par l’INSEE");
    case IndexSeries::Irl:
        return irl;
    case IndexSeries::IrlCorse:
        return irl + QStringLiteral(" pour la Corse");
    case IndexSeries::IrlOutreMer:
        return irl + QStringLiteral(" pour l’outre-mer");
    }
    return irl;
}

QString seriesKey(IndexSeries series)
{
    switch (series) {
    case IndexSeries::Icc:
        return QStringLiteral("icc");
    case IndexSeries::Average:
        return QStringLiteral("moyenne");
    case IndexSeries::Irl:
        return QStringLiteral("irl");
    case IndexSeries::IrlCorse:
        return QStringLiteral("irl_corse");
    case IndexSeries::IrlOutreMer:
        return QStringLiteral("irl_outremer");
    }
    return {};
}

std::optional<IndexSeries> seriesFromKey(QStringView key)
{
    for (IndexSeries s : {IndexSeries::Icc, IndexSeries::Average, IndexSeries::Irl,
                          IndexSeries::IrlCorse, IndexSeries::IrlOutreMer}) {
        if (key == seriesKey(s))
            return s;
    }
    return std::nullopt;
}

QString missingIndexText(IndexSeries series, Quarter quarter, bool quarterInFile)
{
    QString text = QStringLiteral("Indice manquant\u00a0: ") + seriesName(series)
                   + QStringLiteral(" du ") + quarter.label() + QStringLiteral(". ");
    if (quarterInFile && (series == IndexSeries::IrlCorse || series == IndexSeries::IrlOutreMer))
        return text
               + QStringLiteral(
                     "Saisissez-le tel que l’Insee l’a publié par «\u00a0Saisir un "
                     "indice…\u00a0» (le trimestre «\u00a0à compléter\u00a0») ou par velmaris-cli "
                     "--add-index %1 %2 VALEUR.")
                     .arg(quarter.key(), series == IndexSeries::IrlCorse
                                             ? QStringLiteral("--corse")
                                             : QStringLiteral("--outre-mer"));
    return text
           + QStringLiteral(
               "Faites «\u00a0Mise à jour\u00a0», ou saisissez-le par «\u00a0Saisir un "
               "indice…\u00a0» s’il vient de paraître.");
}

} // namespace velmaris
