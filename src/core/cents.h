#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace velmaris {

// Amount text as the register writes it: decimal comma, two decimals, a blank
// before each group of three digits when grouped ("1 234,50"), none otherwise
// ("1234,50", for files).
QString centsText(qint64 cents, bool grouped = true);

// The amount with its currency: "1 234,50 €".
QString euros(qint64 cents);

// Reads "850", "850,5", "1 234,56" or "850.00": a comma or a dot before at most
// two decimals, blanks (also no-break ones) between digit groups, an optional
// leading minus. Nothing else; never through a locale or binary floating point.
std::optional<qint64> parseCents(QStringView text);

} // namespace velmaris
