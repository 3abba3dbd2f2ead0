// SPDX-License-Identifier: GPL-3.0-or-later
#include "dates.h"

namespace velmaris {

namespace {

// Reads up to `most` ASCII digits at text[*at]; how many were read.
int readDigits(QStringView text, qsizetype* at, int most, int* value)
{
    int count = 0;
    *value = 0;
    while (*at < text.size() && count < most && text[*at] >= u'0' && text[*at] <= u'9') {
        *value = *value * 10 + (text[*at].unicode() - u'0');
        ++*at;
        ++count;
    }
    return count;
}

bool isDateSeparator(QChar c)
{
    return c == u'/' || c == u'.' || c == u'-';
}

// dd/MM/yyyy written digit by digit, as QDate::toString would for a year of
// four digits (empty for any other year): the grid writes twenty dates at
// every scroll step, and the command line need not load the date formatter.
QString ddMMyyyy(int y, int m, int d)
{
    if (y < 1000 || y > 9999)
        return {};
    const char16_t text[10] = {
        char16_t(u'0' + d / 10),   char16_t(u'0' + d % 10),       u'/',
        char16_t(u'0' + m / 10),   char16_t(u'0' + m % 10),       u'/',
        char16_t(u'0' + y / 1000), char16_t(u'0' + y / 100 % 10), char16_t(u'0' + y / 10 % 10),
        char16_t(u'0' + y % 10)};
    return QString(reinterpret_cast<const QChar*>(text), 10);
}

} // namespace

// Read by hand rather than by a regular expression: the index file's every
// date comes through here, and the expression engine weighs on a start-up
// that needs nothing else of it. Only ASCII digits count.
std::optional<QDate> parseFrenchDate(QStringView text)
{
    text = text.trimmed();
    qsizetype at = 0;
    int day = 0, month = 0, year = 0;
    if (readDigits(text, &at, 2, &day) == 0 || at >= text.size() || !isDateSeparator(text[at]))
        return std::nullopt;
    const QChar separator = text[at++];
    if (readDigits(text, &at, 2, &month) == 0 || at >= text.size() || text[at] != separator)
        return std::nullopt;
    ++at;
    const int yearDigits = readDigits(text, &at, 4, &year);
    if (at != text.size() || (yearDigits != 2 && yearDigits != 4))
        return std::nullopt;
    if (yearDigits == 2)
        year = yearOfTwoDigits(year);
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<DayMonth> parseDayMonth(QStringView text)
{
    text = text.trimmed();
    qsizetype at = 0;
    int day = 0, month = 0;
    if (readDigits(text, &at, 2, &day) == 0)
        return std::nullopt;
    const QStringView rest = text.mid(at).trimmed();
    if (rest.isEmpty() || !isDateSeparator(rest.front()))
        return std::nullopt;
    const QStringView tail = rest.mid(1).trimmed();
    qsizetype after = 0;
    if (readDigits(tail, &after, 2, &month) == 0 || after != tail.size())
        return std::nullopt;
    return DayMonth{day, month};
}

QString dayMonthText(int day, int month)
{
    if (day <= 0 || month <= 0)
        return {};
    return QStringLiteral("%1/%2").arg(day, 2, 10, QChar(u'0')).arg(month, 2, 10, QChar(u'0'));
}

QString formatShortDate(const QDate& date, const NumberStyle& style)
{
    if (!date.isValid())
        return {};
    // The grid formats twenty dates at every scroll step: the usual French
    // format is written directly.
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d); // one calendar conversion rather than three
    if (style.shortDateFormat == u"dd/MM/yyyy")
        if (QString text = ddMMyyyy(y, m, d); !text.isEmpty())
            return text;
    return style.locale ? style.locale->toString(date, style.shortDateFormat)
                        : date.toString(style.shortDateFormat);
}

int yearOfTwoDigits(int year)
{
    return year + (year < 30 ? 2000 : 1900);
}

QString monthName(int month)
{
    static const char* const months[] = {"janvier",   "février", "mars",     "avril",
                                         "mai",       "juin",    "juillet",  "août",
                                         "septembre", "octobre", "novembre", "décembre"};
    return month >= 1 && month <= 12 ? QString::fromUtf8(months[month - 1]) : QString();
}

QString longDayMonthText(int day, int month)
{
    return (day == 1 ? QStringLiteral("1er") : QString::number(day)) + u' ' + monthName(month);
}

QString longDateText(const QDate& date)
{
    if (!date.isValid())
        return {};
    return longDayMonthText(date.day(), date.month()) + u' ' + QString::number(date.year());
}

QString monthText(int year, int month)
{
    return monthName(month) + u' ' + QString::number(year);
}

QDate sameDayNextYear(const QDate& date)
{
    if (!date.isValid())
        return {};
    if (date.month() == 2 && date.day() == 29)
        return QDate(date.year() + 1, 3, 1);
    return date.addYears(1);
}

QString dateText(const QDate& date)
{
    if (!date.isValid())
        return {};
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    if (QString text = ddMMyyyy(y, m, d); !text.isEmpty())
        return text;
    return date.toString(u"dd/MM/yyyy");
}

} // namespace velmaris
