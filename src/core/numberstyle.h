// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace velmaris {

// How the grid, the clipboard, the printed table and the command line write
// numbers and dates: a locale's decimal separator and short date format. The
// default is French (France), made without a QLocale: the command line writes
// it that way on every machine, and need not read Qt's locale tables to do so.
struct NumberStyle {
    QString decimalPoint = QStringLiteral(",");
    QString shortDateFormat = QStringLiteral("dd/MM/yyyy");
    // The locale the style comes from, for a date format that names months.
    std::optional<QLocale> locale;

    NumberStyle() = default;
    // Any locale gives its style: the window writes as the system does.
    NumberStyle(const QLocale& from); // NOLINT(google-explicit-constructor)
};

} // namespace velmaris
