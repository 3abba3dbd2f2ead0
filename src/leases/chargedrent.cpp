#include "chargedrent.h"
#include "dates.h"

#include <QSet>

#include <algorithm>

namespace velmaris {

namespace {

bool isDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QDate firstOfMonth(const QDate& date)
{
    return QDate(date.year(), date.month(), 1);
}

} // namespace

QString monthText(const QDate& month)
{
    return month.isValid() ? month.toString(u"MM/yyyy") : QString();
}

std::optional<QDate> parseMonth(QStringView text)
{
    text = text.trimmed();
    const QList<QStringView> parts = text.split(u'/');
    if (parts.size() == 3 && parts[0].size() <= 2 && isDigits(parts[0]) && parts[0].toInt() == 1)
        return parseMonth(text.sliced(parts[0].size() + 1));
    if (parts.size() != 2 || parts[0].size() > 2 || parts[1].size() != 4 || !isDigits(parts[0])
        || !isDigits(parts[1]))
        return std::nullopt;
    const QDate month(parts[1].toInt(), parts[0].toInt(), 1);
    if (!month.isValid())
        return std::nullopt;
    return month;
}

void sortChargedRents(std::vector<ChargedRent>& periods)
{
    std::stable_sort(periods.begin(), periods.end(),
                     [](const ChargedRent& a, const ChargedRent& b) { return a.month < b.month; });
}

QStringList validateChargedRent(const ChargedRent& period, const Lease& lease)
{
    QStringList problems;
    if (!period.month.isValid() || period.month.day() != 1)
        problems << QStringLiteral("mois invalide");
    else if (lease.startDate.isValid() && period.month < firstOfMonth(lease.startDate))
        problems << QStringLiteral("mois ") + monthText(period.month)
                        + QStringLiteral(" antérieur à la prise d'effet du bail (")
                        + dateText(lease.startDate) + u')';
    if (period.rentCents <= 0)
        problems << QStringLiteral("loyer manquant");
    else if (period.rentCents > kMaxAmountCents)
        problems << QStringLiteral("loyer trop élevé");
    // A request can only be made while the lease runs.
    if (period.requestDate.isValid() && lease.signingDate.isValid()
        && period.requestDate < lease.signingDate)
        problems << QStringLiteral("date de demande ") + dateText(period.requestDate)
                        + QStringLiteral(" antérieure à la signature du bail");
    return problems;
}

QStringList validateChargedRents(const std::vector<ChargedRent>& periods, const Lease& lease)
{
    QStringList problems;
    QSet<QDate> seen;
    for (const ChargedRent& period : periods) {
        problems << validateChargedRent(period, lease);
        if (!period.month.isValid())
            continue;
        if (seen.contains(period.month))
            problems << QStringLiteral("mois ") + monthText(period.month)
                            + QStringLiteral(" saisi deux fois");
        seen.insert(period.month);
    }
    return problems;
}

} // namespace velmaris
