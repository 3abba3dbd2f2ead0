// SPDX-License-Identifier: GPL-3.0-or-later
#include "indexvalue.h"

#include <cmath>

namespace velmaris {

std::optional<IndexValue> IndexValue::fromUnits(qint64 units)
{
    if (units <= 0 || units >= kLimitUnits)
        return std::nullopt;
    return IndexValue(units);
}

std::optional<IndexValue> IndexValue::fromDouble(double value)
{
    if (!std::isfinite(value) || value <= 0 || value >= double(kLimitUnits / kScale))
        return std::nullopt;
    // A value of at most six decimals under 100 000 is within a hundred-millionth
    // of its double: the nearest millionth is the value as it reads.
    return fromUnits(std::llround(value * double(kScale)));
}

QString IndexValue::text() const
{
    QString text = QString::number(m_units / kScale);
    if (const qint64 fraction = m_units % kScale; fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(kDecimals, u'0');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += u',' + digits;
    }
    return text;
}

int indexDecimals(QStringView text)
{
    text = text.trimmed();
    qsizetype at = text.indexOf(u'.');
    if (at < 0)
        at = text.indexOf(u',');
    return at < 0 ? 0 : int(text.size() - at - 1);
}

QString indexText(double value)
{
    const std::optional<IndexValue> v = IndexValue::fromDouble(value);
    return v ? v->text() : QStringLiteral("0");
}

} // namespace velmaris
