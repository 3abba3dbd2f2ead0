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

std::optional<DayMonth> parseDayMonth(QStringView text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,2})\\s*[/.-]\\s*(\\d{1,2})\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return DayMonth{m.capturedView(1).toInt(), m.capturedView(2).toInt()};
}

QString dayMonthText(int day, int month)
{
    if (day <= 0 || month <= 0)
        return {};
    return QStringLiteral("%1/%2").arg(day, 2, 10, QChar(u'0')).arg(month, 2, 10, QChar(u'0'));
}

QString formatShortDate(const QDate& date, const QLocale& locale)
{
    if (!date.isValid())
        return {};
    // The grid formats twenty dates at every scroll step: look the locale's
    // format up once, and write the usual French one directly.
    thread_local QLocale cachedLocale = QLocale::c();
    thread_local QString cachedFormat = cachedLocale.dateFormat(QLocale::ShortFormat);
    if (!(locale == cachedLocale)) {
        cachedLocale = locale;
        cachedFormat = locale.dateFormat(QLocale::ShortFormat);
    }
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d); // one calendar conversion rather than three
    if (cachedFormat == u"dd/MM/yyyy" && y >= 1000 && y <= 9999) {
        const char16_t text[10] = {
            char16_t(u'0' + d / 10),   char16_t(u'0' + d % 10),       u'/',
            char16_t(u'0' + m / 10),   char16_t(u'0' + m % 10),       u'/',
            char16_t(u'0' + y / 1000), char16_t(u'0' + y / 100 % 10), char16_t(u'0' + y / 10 % 10),
            char16_t(u'0' + y % 10)};
        return QString(reinterpret_cast<const QChar*>(text), 10);
    }
    return locale.toString(date, cachedFormat);
}

namespace {

QString monthName(int month)
{
    static const char* const months[] = {"janvier",   "février", "mars",     "avril",
                                         "mai",       "juin",    "juillet",  "août",
                                         "septembre", "octobre", "novembre", "décembre"};
    return month >= 1 && month <= 12 ? QString::fromUtf8(months[month - 1]) : QString();
}

} // namespace

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
    return date.isValid() ? date.toString(u"dd/MM/yyyy") : QString();
}

} // namespace velmaris
