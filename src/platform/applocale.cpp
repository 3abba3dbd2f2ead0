#include "applocale.h"

namespace velmaris {

QLocale appLocaleFor(const QLocale& system)
{
    QLocale chosen =
        system.language() == QLocale::French ? system : QLocale(QLocale::French, QLocale::France);
    // Amounts and indices are written without thousands separators.
    chosen.setNumberOptions(QLocale::OmitGroupSeparator);
    return chosen;
}

QLocale appLocale()
{
    return appLocaleFor(QLocale::system());
}

} // namespace velmaris
