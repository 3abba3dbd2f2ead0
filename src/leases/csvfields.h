// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dates.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace velmaris {

// Fields of a CSV as a spreadsheet saves them, and what an import says of
// one it cannot read.

// The layouts an import expects, each with its own wording in the messages.
enum class CsvLayout { Amount, Date, DayMonth, Month, PostalCode };

// "loyer invalide « 850,00 $ » : caractère « $ » inattendu (attendu : un
// montant comme 850,00 ou 1 234,50 €)": the field quoted as written, the first
// character no such field holds (or what else is wrong with an amount:
// negative, three decimals, a point and a comma), and the layout expected.
// The form, the audit's rents and every import say a fault so.
QString csvFieldFault(const QString& invalid, const QString& text, CsvLayout layout);

// A postal code as a spreadsheet gives it back: a number cell drops the
// leading 0 of "06000", so four digits get it again.
QString csvPostalCode(const QString& text);

// The revision day "01/09", or a full date "01/09/26" (a spreadsheet's date
// cell) of which the day and the month count.
std::optional<DayMonth> csvDayMonth(QStringView text);

} // namespace velmaris
