// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace velmaris {

// How an amount typed by a person is read.
enum class AmountReading {
    // Every form, both CSV imports, the audit window and the command line:
    // digits, then a comma or a dot before at most two decimals; blanks (also
    // the no-break ones spreadsheets write) only between groups of three
    // digits; a final "€", with or without a blank before it. "850", "850,5",
    // "1 234,56", "850.00 €" are read; "12abc", "850 5", "-850" are not.
    Strict,
    // The calculator grid's rent box, as it has always read: every "," counts
    // as ".", blanks are ignored anywhere, the number stops at the first
    // character that cannot continue it ("12abc" is 12,00), a text without a
    // number is 0, and the value is rounded to the cent. Nothing only for a
    // number too large to be an amount.
    Lenient,
};

// The amount in cents; never through a locale or binary floating point in the
// strict reading.
std::optional<qint64> readAmount(QStringView text, AmountReading reading = AmountReading::Strict);

// How an amount is written: always two decimals.
enum class AmountLayout {
    Grouped, // "1 234,50": screens, messages, the command line
    NoBreak, // "1 234,50" with no-break blanks: letters, never cut at a line end
    Plain,   // "1234,50": files
    // The calculator's "### ##0.00" picture: a blank before the last three
    // integer digits even when nothing stands to its left, none before:
    // " 850,00", "1 234,57", "1234 567,00".
    Grid,
};

// The amount text, with the decimal separator given (the locale's for the grid).
QString amountText(qint64 cents, AmountLayout layout = AmountLayout::Grouped,
                   QStringView decimal = u",");

// The amount with its currency: "1 234,50 €" (the blank before "€" a no-break
// one in the NoBreak layout).
QString eurosText(qint64 cents, AmountLayout layout = AmountLayout::Grouped);

} // namespace velmaris
