#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

namespace velmaris {

// What a rent box shows once Enter is pressed: the typed amount read as a
// number and written back in its shortest form with the locale's decimal
// separator ("1 000,50" -> "1000,5", "12abc" -> "12", "abc" -> "0").
// Nothing when the number does not fit in a double ("1e400").
std::optional<QString> normaliseRentText(QStringView typed, const QLocale& locale);

} // namespace velmaris
