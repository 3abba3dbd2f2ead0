// SPDX-License-Identifier: GPL-3.0-or-later
#include "quarter.h"

#include <charconv>

namespace velmaris {

namespace {

constexpr QStringView kWords[] = {u"1er tr.", u"2è tr.", u"3è tr.", u"4è tr."};

// Four ASCII digits, as a year; -1 otherwise.
int fourDigitYear(QStringView text)
{
    if (text.size() != 4)
        return -1;
    int year = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        year = year * 10 + (c.unicode() - u'0');
    }
    return year >= 1000 ? year : -1;
}

} // namespace

std::optional<Quarter> Quarter::fromKey(QStringView key)
{
    key = key.trimmed();
    if (key.size() != 5 || key[0] < u'1' || key[0] > u'4')
        return std::nullopt;
    const int year = fourDigitYear(key.sliced(1));
    if (year < 0)
        return std::nullopt;
    return Quarter(year, key[0].unicode() - u'0');
}

std::optional<Quarter> Quarter::fromLabel(QStringView label)
{
    label = label.trimmed();
    for (int q = 0; q < 4; ++q) {
        if (label.startsWith(kWords[q])) {
            const int year = fourDigitYear(label.sliced(kWords[q].size()));
            if (year < 0)
                return std::nullopt;
            return Quarter(year, q + 1);
        }
    }
    return std::nullopt;
}

std::optional<Quarter> Quarter::fromPeriod(QStringView period)
{
    period = period.trimmed();
    if (period.size() != 7 || period[4] != u'-' || (period[5] != u'Q' && period[5] != u'T')
        || period[6] < u'1' || period[6] > u'4')
        return std::nullopt;
    const int year = fourDigitYear(period.first(4));
    if (year < 0)
        return std::nullopt;
    return Quarter(year, period[6].unicode() - u'0');
}

Quarter Quarter::containing(const QDate& date)
{
    if (!date.isValid() || date.year() < 0)
        return {};
    return Quarter(date.year(), (date.month() - 1) / 3 + 1);
}

QDate Quarter::firstDay() const
{
    return isValid() ? QDate(year(), (number() - 1) * 3 + 1, 1) : QDate();
}

QDate Quarter::lastDay() const
{
    return isValid() ? next().firstDay().addDays(-1) : QDate();
}

QString Quarter::key() const
{
    return isValid() ? QString::number(number()) + QString::number(year()) : QString();
}

QString Quarter::longLabel() const
{
    if (!isValid())
        return {};
    return (number() == 1 ? QStringLiteral("1er") : QString::number(number()) + u'e')
           + QStringLiteral(" trimestre ") + QString::number(year());
}

QString Quarter::label() const
{
    if (!isValid())
        return {};
    // Written straight into one buffer: the grid and the outputs ask for it on every row.
    const QStringView word = kWords[number() - 1];
    char16_t text[24];
    qsizetype n = 0;
    for (QChar c : word)
        text[n++] = c.unicode();
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, year()).ptr;
    for (const char* d = digits; d < end; ++d)
        text[n++] = char16_t(*d);
    return QString(reinterpret_cast<const QChar*>(text), n);
}

} // namespace velmaris
