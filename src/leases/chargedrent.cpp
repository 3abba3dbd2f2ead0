// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace {

// "février 2020", "Février 2020", "févr.-20", "fevrier 2020": the month as a
// spreadsheet writes a date cell shown by its month's name.
std::optional<QDate> namedMonth(QStringView text)
{
    qsizetype end = 0;
    while (end < text.size() && (text[end].isLetter() || text[end] == u'.'))
        ++end;
    const QString word = text.first(end).toString().toLower().remove(u'.');
    QStringView year = text.sliced(end).trimmed();
    if (year.startsWith(u'-'))
        year = year.sliced(1).trimmed();
    if (word.size() < 3 || !isDigits(year) || (year.size() != 2 && year.size() != 4))
        return std::nullopt;
    const auto plain = [](QString s) { return s.replace(u'é', u'e').replace(u'û', u'u'); };
    for (int m = 1; m <= 12; ++m) {
        const QString name = monthName(m);
        // The whole name or an abbreviation of it ("févr", "sept", "juil").
        if (name.startsWith(word) || plain(name).startsWith(plain(word))) {
            const int y = year.toInt();
            return QDate(year.size() == 2 ? yearOfTwoDigits(y) : y, m, 1);
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QDate> parseMonth(QStringView text)
{
    text = text.trimmed();
    if (!text.isEmpty() && text[0].isLetter())
        return namedMonth(text);
    const QList<QStringView> parts = text.split(u'/');
    // The first of the month as a date cell gives it: 01/02/2020 or 01/02/20.
    if (parts.size() == 3 && parts[0].size() <= 2 && isDigits(parts[0]) && parts[0].toInt() == 1) {
        const std::optional<QDate> date = parseFrenchDate(text);
        return date ? std::optional<QDate>(QDate(date->year(), date->month(), 1)) : std::nullopt;
    }
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
                        + QStringLiteral(" antérieur à la prise d’effet du bail (")
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
