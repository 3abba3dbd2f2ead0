#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

namespace velmaris {

// Reads the leading number of a text the way the program always has: every ","
// counts as ".", blanks are ignored anywhere, the number stops at the first
// character that cannot continue it, and a text without a number gives 0.
// A number too large for a double sets *overflow (when given) and gives 0.
double parseNumber(QStringView text, bool* overflow = nullptr);

// General number text: shortest form (up to 15 significant digits), the
// locale's decimal separator, no thousands separator. 1276 -> "1276",
// 1271.25 -> "1271,25".
QString formatGeneral(double value, const QLocale& locale);

// The "### ##0.00" amount picture: two decimals rounded half away from zero on
// the value's 15-digit decimal form, the locale's decimal separator, and a
// literal blank before the last three integer digits even when nothing stands
// to its left. 850 -> " 850,00", 1234.567 -> "1 234,57", 1234567 -> "1234 567,00".
QString formatAmount(double value, const QLocale& locale);

} // namespace velmaris
