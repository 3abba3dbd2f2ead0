// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lease.h"
#include "owner.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace velmaris {

class LeaseStore;

// Leases as a semicolon CSV file, UTF-8, one header row, French formats
// (layout in the README).

// What reading a CSV gave: every lease and the line it starts on, or the
// reason of every bad line ("ligne 4 : date de signature invalide « 31/02/2020 »").
struct CsvImport {
    std::vector<Lease> leases;
    std::vector<int> lines; // 1-based line of each lease (the header is line 1)
    std::vector<LineOwner> owners; // whose each lease is, as its line says
    QStringList errors;
    // The reference of every record and its line, kept even when the file is
    // refused: the import checks them against the register in the same pass.
    std::vector<std::pair<int, QString>> references;
    bool ok() const { return errors.isEmpty(); }
};

// Reads the whole text, checking every line; with any error, no lease is kept.
// A signing, a last revision or a diagnosis after `today` is an error.
CsvImport parseLeasesCsv(const QByteArray& bytes, const QDate& today = QDate::currentDate());

// The CSV of these leases, in their order, with the header row; the last
// revision applied to each (LeaseStore::lastRevisions()) gives its date, the
// owners (LeaseStore::owners()) the owner's columns.
QByteArray leasesToCsv(const std::vector<Lease>& leases,
                       const std::vector<RevisionRecord>& lastRevisions = {},
                       const std::vector<Owner>& owners = {});

// Imports a CSV file into the register: all of it in one transaction, or
// nothing when any line is bad (a reference already in the register is a bad
// line too). ok false: errors lists each reason.
struct ImportOutcome {
    bool ok = false;
    int imported = 0;
    QStringList errors;
};
ImportOutcome importLeasesCsv(LeaseStore& store, const QString& path);

// Writes every lease of the register to a CSV file, replacing it atomically.
// False with *error set (in French) on failure; *written: the leases written.
bool exportLeasesCsv(LeaseStore& store, const QString& path, QString* error,
                     int* written = nullptr);

// Largest file the import reads.
inline constexpr qint64 kMaxCsvBytes = 64 * 1024 * 1024;

} // namespace velmaris
