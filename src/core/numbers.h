// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "numberstyle.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace velmaris {

// None of these depends on the C locale or on the system's: "145.77" and
// "145,77" read the same on every machine.

// Reads the leading number of a text the way a rent box of the calculator grid
// always has (readAmount()'s lenient reading, and the box's own text): every ","
// counts as ".", blanks are ignored anywhere, the number stops at the first
// character that cannot continue it, and a text without a number gives 0.
// A number too large for a double sets *overflow (when given) and gives 0.
double parseNumber(QStringView text, bool* overflow = nullptr);

// An index value of the index file: digits with at most one "." or "," among
// them, blanks around ignored. Nothing for anything else ("nan", "-145",
// "145.7.7", "1e3", an empty text).
std::optional<double> parseIndexValue(QStringView text);

// A number rounded to the cent, halves away from zero, on the decimal a person
// reads (the shortest text that gives the double back, cut to 15 significant
// digits): 2.675 gives 268 cents although it is stored as 2.67499999... Nothing
// when it is not finite or too large for an amount.
std::optional<qint64> roundToCents(double value);

// Largest amount the program handles, in cents (ten thousand billion euros).
inline constexpr qint64 kMaxCents = 1'000'000'000'000'000;

// cents x numerator / denominator to the cent, halves away from zero, in
// integers wide enough that nothing overflows on the way: the revision of a
// rent by two index values given in the same scale. 0 when the denominator is
// not positive.
qint64 scaledRatio(qint64 cents, qint64 numerator, qint64 denominator);

// General number text: shortest form (up to 15 significant digits), the
// style's decimal separator, no thousands separator. 1276 -> "1276",
// 1271.25 -> "1271,25".
QString formatGeneral(double value, const NumberStyle& style = {});

} // namespace velmaris
