// SPDX-License-Identifier: GPL-3.0-or-later
#include "amounts.h"

#include "numbers.h"

namespace velmaris {

namespace {

// The blanks spreadsheets put between thousands: ordinary, no-break, narrow no-break.
bool isBlank(QChar c)
{
    return c == u' ' || c == QChar(0xA0) || c == QChar(0x202F);
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QStringView withoutBlanks(QStringView text)
{
    while (!text.isEmpty() && (isBlank(text.front()) || text.front().isSpace()))
        text = text.sliced(1);
    while (!text.isEmpty() && (isBlank(text.back()) || text.back().isSpace()))
        text.chop(1);
    return text;
}

constexpr int kMaxWholeDigits = 11;

std::optional<qint64> readStrict(QStringView text)
{
    text = withoutBlanks(text);
    if (text.endsWith(u'€'))
        text = withoutBlanks(text.chopped(1));
    qint64 units = 0;
    int digits = 0;    // of the whole part
    int groupSize = 0; // digits since the last blank
    bool grouped = false;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            if (++digits > kMaxWholeDigits)
                return std::nullopt;
            units = units * 10 + (c.unicode() - u'0');
            ++groupSize;
        } else if (isBlank(c)) {
            // A blank closes a group: the first one of one to three digits,
            // every later one of exactly three.
            if (groupSize == 0 || groupSize > 3 || (grouped && groupSize != 3))
                return std::nullopt;
            grouped = true;
            groupSize = 0;
        } else {
            break;
        }
    }
    if (digits == 0 || (grouped && groupSize != 3))
        return std::nullopt;
    qint64 fraction = 0;
    if (i < text.size()) {
        if (text[i] != u',' && text[i] != u'.')
            return std::nullopt;
        const QStringView decimals = text.sliced(i + 1);
        if (decimals.isEmpty() || decimals.size() > 2)
            return std::nullopt;
        for (QChar c : decimals) {
            if (!isDigit(c))
                return std::nullopt;
            fraction = fraction * 10 + (c.unicode() - u'0');
        }
        if (decimals.size() == 1)
            fraction *= 10;
    }
    return units * 100 + fraction;
}

} // namespace

std::optional<qint64> readAmount(QStringView text, AmountReading reading)
{
    if (reading == AmountReading::Strict)
        return readStrict(text);
    bool overflow = false;
    const double value = parseNumber(text, &overflow);
    if (overflow)
        return std::nullopt;
    return roundToCents(value);
}

QString amountText(qint64 cents, AmountLayout layout, QStringView decimal)
{
    const bool negative = cents < 0;
    const quint64 magnitude = negative ? 0 - quint64(cents) : quint64(cents);
    QString units = QString::number(magnitude / 100);
    switch (layout) {
    case AmountLayout::Grouped:
    case AmountLayout::NoBreak: {
        const QChar blank = layout == AmountLayout::NoBreak ? QChar(0xA0) : QChar(u' ');
        for (qsizetype at = units.size() - 3; at > 0; at -= 3)
            units.insert(at, blank);
        break;
    }
    case AmountLayout::Plain:
        break;
    case AmountLayout::Grid:
        units.insert(std::max<qsizetype>(units.size() - 3, 0), u' ');
        break;
    }
    const int fraction = int(magnitude % 100);
    QString text;
    text.reserve(units.size() + decimal.size() + 3);
    if (negative)
        text += u'-';
    text += units;
    text += decimal;
    text += QChar(u'0' + fraction / 10);
    text += QChar(u'0' + fraction % 10);
    return text;
}

QString eurosText(qint64 cents, AmountLayout layout)
{
    const QChar blank = layout == AmountLayout::NoBreak ? QChar(0xA0) : QChar(u' ');
    return amountText(cents, layout) + blank + u'€';
}

} // namespace velmaris
