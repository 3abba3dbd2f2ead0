#include "cents.h"

#include "numbers.h"

#include <cmath>

namespace velmaris {

namespace {

constexpr qint64 kIndexScale = 10000;

} // namespace

std::optional<qint64> indexUnits(double value)
{
    if (!std::isfinite(value) || value <= 0 || value >= 10000)
        return std::nullopt;
    // Index values carry at most a few decimals: the nearest ten-thousandth is
    // the value as it reads.
    return qint64(std::llround(value * double(kIndexScale)));
}

QString indexText(double value)
{
    const std::optional<qint64> units = indexUnits(value);
    if (!units)
        return QStringLiteral("0");
    QString text = QString::number(*units / kIndexScale);
    qint64 fraction = *units % kIndexScale;
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(4, u'0');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += u',' + digits;
    }
    return text;
}

qint64 revisedCents(qint64 rentCents, qint64 newUnits, qint64 baseUnits)
{
    if (baseUnits <= 0)
        return rentCents;
    return scaledRatio(rentCents, newUnits, baseUnits);
}

} // namespace velmaris
