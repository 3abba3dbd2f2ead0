// SPDX-License-Identifier: GPL-3.0-or-later
#include "rententry.h"

#include "amounts.h"
#include "numbers.h"

namespace velmaris {

std::optional<QString> normaliseRentText(QStringView typed, const QLocale& locale)
{
    bool overflow = false;
    const double value = parseNumber(typed, &overflow);
    if (overflow)
        return std::nullopt;
    return formatGeneral(value, locale);
}

std::optional<qint64> typedRentCents(QStringView typed)
{
    const std::optional<qint64> cents = readAmount(typed, AmountReading::Lenient);
    if (!cents || *cents <= 0)
        return std::nullopt;
    return cents;
}

} // namespace velmaris
