// SPDX-License-Identifier: GPL-3.0-or-later
// A leases CSV file to and from the register.
#include "leasecsv.h"

#include "csvtext.h"
#include "datafolder.h"
#include "leasestore.h"
#include "quoting.h"

#include <QSet>

#include <algorithm>

namespace velmaris {

namespace {

int lineOf(const QString& error)
{
    // "ligne 12 : …": the digits after the word, whatever space follows them.
    const QString prefix = QStringLiteral("ligne ");
    if (!error.startsWith(prefix))
        return 0;
    int line = 0;
    for (qsizetype i = prefix.size(); i < error.size() && error[i].isDigit(); ++i)
        line = line * 10 + error[i].digitValue();
    return line;
}

// The faults of a refused file and, in the same list, its references the
// register already holds: the user mends everything in one round.
QStringList faultsWithClashes(LeaseStore& store, const CsvImport& csv)
{
    QStringList errors = csv.errors;
    const std::optional<std::vector<Lease>> stored = store.leases();
    if (!stored) {
        errors << store.error();
        return errors;
    }
    QSet<QString> held;
    for (const Lease& lease : *stored)
        held.insert(lease.reference.trimmed());
    for (const auto& [line, reference] : csv.references) {
        if (held.contains(reference))
            errors << csvLineError(line, QStringLiteral("référence ") + quoted(reference)
                                             + QStringLiteral(" déjà dans le registre"));
    }
    std::stable_sort(errors.begin(), errors.end(),
                     [](const QString& a, const QString& b) { return lineOf(a) < lineOf(b); });
    return errors;
}

} // namespace

ImportOutcome importLeasesCsv(LeaseStore& store, const QString& path)
{
    ImportOutcome outcome;
    QString unread;
    std::optional<QByteArray> bytes = readCsvFile(path, &unread);
    if (!bytes) {
        outcome.errors << unread;
        return outcome;
    }
    const CsvImport csv = parseLeasesCsv(*bytes);
    bytes.reset(); // read: not held while the leases are written
    if (!csv.ok()) {
        outcome.errors = faultsWithClashes(store, csv);
        return outcome;
    }
    std::vector<int> clashes;
    if (!store.importLeases(csv.leases, &clashes, &csv.owners)) {
        for (int i : clashes)
            outcome.errors << csvLineError(csv.lines[i], QStringLiteral("référence ")
                                                             + quoted(csv.leases[i].reference)
                                                             + QStringLiteral(" déjà dans le "
                                                                              "registre"));
        if (clashes.empty())
            outcome.errors << store.error();
        return outcome;
    }
    outcome.ok = true;
    outcome.imported = int(csv.leases.size());
    return outcome;
}

bool exportLeasesCsv(LeaseStore& store, const QString& path, QString* error, int* written)
{
    const std::optional<std::vector<Lease>> leases = store.leases();
    const std::optional<std::vector<RevisionRecord>> last =
        leases ? store.lastRevisions() : std::nullopt;
    const std::optional<std::vector<Owner>> owners = last ? store.owners() : std::nullopt;
    if (!leases || !last || !owners) {
        if (error)
            *error = store.error();
        return false;
    }
    QString reason;
    if (!writeFileSafely(path, leasesToCsv(*leases, *last, *owners), &reason)) {
        if (error)
            *error = QStringLiteral("Export impossible\u00a0: ") + reason + u'.';
        return false;
    }
    if (written)
        *written = int(leases->size());
    return true;
}

} // namespace velmaris
