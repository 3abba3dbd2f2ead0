// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lease.h"

#include <QString>
#include <QStringList>

namespace velmaris {

// La Poste reads an address of at most six lines of at most 38 characters,
// the postal code and the town in capitals on the last one.
inline constexpr int kPostalLines = 6;
inline constexpr int kPostalLineWidth = 38;

// "69003 LYON": the town in capitals without accents, as La Poste sorts it.
// Only the code when the town is unknown.
QString postalTownLine(const QString& postalCode, const QString& town);

// The dwelling's address lines as typed, then its last line. An address line
// that already starts with the postal code ("69003 Lyon", as older leases were
// typed) is that last line, not a repeat of it; it gives the town when the
// lease has none.
QStringList dwellingLines(const Lease& lease);

// The same on one line, for prose: "8 rue Paul Bert, 69003 Lyon".
QString dwellingText(const Lease& lease);

// The recipient block of an envelope: the name, then the dwelling, every line
// cut at a word to 38 characters, six lines at most (the address's own lines
// are joined first when there are more), the postal code and town last.
QStringList postalBlock(const QString& name, const Lease& lease);

} // namespace velmaris
