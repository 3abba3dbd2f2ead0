#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace velmaris {

// An index value in ten-thousandths, exactly as its decimal text reads
// (145.47 -> 1454700); nothing for a value that is not positive or is 10 000
// and over.
std::optional<qint64> indexUnits(double value);

// Index text with a decimal comma and no trailing zeros: 145.47 -> "145,47".
QString indexText(double value);

// rent x newIndex / baseIndex to the cent, halves away from zero, in integers:
// the rent at most kMaxAmountCents and both indices from indexUnits().
qint64 revisedCents(qint64 rentCents, qint64 newUnits, qint64 baseUnits);

} // namespace velmaris
