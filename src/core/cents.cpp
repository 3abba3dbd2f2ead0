#include "cents.h"

#include "numbers.h"

#include <cmath>

namespace velmaris {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == QChar(0xA0) || c == QChar(0x202F);
}

} // namespace

QString centsText(qint64 cents, bool grouped)
{
    const bool negative = cents < 0;
    const quint64 magnitude = negative ? 0 - quint64(cents) : quint64(cents);
    QString units = QString::number(magnitude / 100);
    if (grouped) {
        for (qsizetype at = units.size() - 3; at > 0; at -= 3)
            units.insert(at, u' ');
    }
    const int fraction = int(magnitude % 100);
    QString text = units + u',' + QChar(u'0' + fraction / 10) + QChar(u'0' + fraction % 10);
    return negative ? u'-' + text : text;
}

std::optional<qint64> parseCents(QStringView text)
{
    text = text.trimmed();
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    bool negative = false;
    if (!text.isEmpty() && text.front() == u'-') {
        negative = true;
        text = text.sliced(1);
    }
    qint64 units = 0;
    int digits = 0, decimals = -1; // decimals = -1 before the separator
    qint64 fraction = 0;
    bool lastWasBlank = false;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            const int d = c.unicode() - u'0';
            if (decimals >= 0) {
                if (++decimals > 2)
                    return std::nullopt;
                fraction = fraction * 10 + d;
            } else {
                if (++digits > 11)
                    return std::nullopt;
                units = units * 10 + d;
            }
            lastWasBlank = false;
        } else if (isBlank(c)) {
            // Only between digits of the whole part, once at a time.
            if (digits == 0 || decimals >= 0 || lastWasBlank)
                return std::nullopt;
            lastWasBlank = true;
        } else if ((c == u',' || c == u'.') && decimals < 0 && digits > 0 && !lastWasBlank) {
            decimals = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || lastWasBlank || decimals == 0)
        return std::nullopt;
    if (decimals == 1)
        fraction *= 10;
    const qint64 cents = units * 100 + fraction;
    return negative ? -cents : cents;
}

QString euros(qint64 cents)
{
    return centsText(cents) + QStringLiteral(" €");
}

} // namespace velmaris
