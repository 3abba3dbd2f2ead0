#include "dates.h"

#include <QRegularExpression>

namespace velmaris {

std::optional<QDate> parseFrenchDate(QStringView text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,2})([/.-])(\\d{1,2})\\2(\\d{4}|\\d{2})\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int day = m.capturedView(1).toInt();
    const int month = m.capturedView(3).toInt();
    int year = m.capturedView(4).toInt();
    if (m.capturedLength(4) == 2)
        year += year < 30 ? 2000 : 1900;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString formatShortDate(const QDate& date, const QLocale& locale)
{
    if (!date.isValid())
        return {};
    return locale.toString(date, locale.dateFormat(QLocale::ShortFormat));
}

QDate sameDayNextYear(const QDate& date)
{
    if (!date.isValid())
        return {};
    if (date.month() == 2 && date.day() == 29)
        return QDate(date.year() + 1, 3, 1);
    return date.addYears(1);
}

} // namespace velmaris
