// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

class QTranslator;

namespace velmaris {

// The locale for numbers and dates on screen, on paper and in the clipboard:
// the system's when it speaks French, French (France) otherwise.
QLocale appLocale();

// Picks the same way from a given system locale (kept apart so it can be tested).
QLocale appLocaleFor(const QLocale& system);

} // namespace velmaris

namespace velmaris {

// Loads Qt's own French texts ("Annuler", the file dialogs) into the running
// application when the locale speaks French: Qt's translation folder first,
// then a "translations" folder beside the program. The translator installed,
// owned by the application; none when no file is found (the standard texts
// then stay in English).
QTranslator* loadQtTranslations(const QLocale& locale);

} // namespace velmaris
