#include "rententry.h"

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

} // namespace velmaris
