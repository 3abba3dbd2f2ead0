// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chargedrent.h"
#include "lease.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace velmaris {

// The rents charged for one lease as a semicolon CSV file, UTF-8, one header
// row (layout in the README).
struct ChargedCsvImport {
    std::vector<ChargedRent> periods; // in month order
    QStringList errors;               // "ligne 4 : mois invalide « 13/2024 »"
    bool ok() const { return errors.isEmpty(); }
};

// Reads the whole text, checking every line against the lease; with any
// error, no period is kept.
ChargedCsvImport parseChargedRentsCsv(const QByteArray& bytes, const Lease& lease);

// Reads a file the same way; a file that cannot be read gives its reason.
ChargedCsvImport readChargedRentsCsv(const QString& path, const Lease& lease);

// The CSV of these periods, with the header row.
QByteArray chargedRentsToCsv(const std::vector<ChargedRent>& periods);

} // namespace velmaris
