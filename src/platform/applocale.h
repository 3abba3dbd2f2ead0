#pragma once

#include <QLocale>

namespace velmaris {

// The locale for numbers and dates on screen, on paper and in the clipboard:
// the system's when it speaks French, French (France) otherwise.
QLocale appLocale();

// Picks the same way from a given system locale (kept apart so it can be tested).
QLocale appLocaleFor(const QLocale& system);

} // namespace velmaris
