// SPDX-License-Identifier: GPL-3.0-or-later
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

// The amount a rent box holds, in cents, read as leniently as a rent box
// always has ("1 234,50", "1234.5", "850 €"). Nothing when it holds no
// positive amount (empty, "0", "abc", "-850") or one too large to be a rent.
std::optional<qint64> typedRentCents(QStringView typed);

} // namespace velmaris
