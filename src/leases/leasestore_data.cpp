// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing leases.
#include "leasestore.h"

#include "dates.h"
#include "leasestore_p.h"
#include "quoting.h"

#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

namespace {

QString invalidLease(const QStringList& problems)
{
    QString text = problems.join(QStringLiteral("\u00a0; "));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return QStringLiteral("Bail refusé\u00a0: ") + text + u'.';
}

QString referenceExists(const QString& reference)
{
    return QStringLiteral("La référence ") + quoted(reference.trimmed())
           + QStringLiteral(" existe déjà dans le registre.");
}

} // namespace

std::optional<qint64> LeaseStore::addLease(const Lease& lease)
{
    if (!checkWritable())
        return std::nullopt;
    if (const QStringList problems = validateLease(lease); !problems.isEmpty()) {
        fail(invalidLease(problems));
        return std::nullopt;
    }
    Transaction transaction(database());
    if (!transaction.begun()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT 1 FROM leases WHERE reference = ?"));
    query.addBindValue(lease.reference.trimmed());
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    if (query.next()) {
        fail(referenceExists(lease.reference));
        return std::nullopt;
    }
    Lease owned = lease;
    if (!settleOwner(owned))
        return std::nullopt;
    query.prepare(kInsertLease + returningId(database()));
    bindLease(query, owned);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    const qint64 id = insertedId(query);
    if (!transaction.commit()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    return id;
}

bool LeaseStore::updateLease(const Lease& lease)
{
    if (!checkWritable())
        return false;
    if (const QStringList problems = validateLease(lease); !problems.isEmpty())
        return fail(invalidLease(problems));
    Transaction transaction(database());
    if (!transaction.begun())
        return failSql(transaction.error());
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT 1 FROM leases WHERE reference = ? AND id <> ?"));
    query.addBindValue(lease.reference.trimmed());
    query.addBindValue(lease.id);
    if (!query.exec())
        return failSql(query.lastError());
    if (query.next())
        return fail(referenceExists(lease.reference));
    Lease owned = lease;
    if (!settleOwner(owned))
        return false;
    query.prepare(QStringLiteral(
        "UPDATE leases SET reference = :reference, tenant = :tenant, address = :address, "
        "postal_code = :postal_code, territory = :territory, furnished = :furnished, "
        "signing_date = :signing_date, start_date = :start_date, "
        "reference_quarter = :reference_quarter, revision_day = :revision_day, "
        "revision_month = :revision_month, clause = :clause, dpe_class = :dpe_class, "
        "dpe_date = :dpe_date, rent_cents = :rent_cents, charges_cents = :charges_cents, "
        "prior_revision = :prior_revision, notes = :notes, town = :town, "
        "landlord_kind = :landlord_kind, owner_id = :owner_id, tenant_email = :tenant_email, "
        "version = version + 1 "
        "WHERE id = :id AND (:any_version = 0 OR version = :version)"));
    bindLease(query, owned);
    query.bindValue(QStringLiteral(":id"), lease.id);
    query.bindValue(QStringLiteral(":any_version"), lease.version);
    query.bindValue(QStringLiteral(":version"), lease.version);
    if (!query.exec())
        return failSql(query.lastError());
    // Every column comes from the form: written over a later change, it would
    // undo it (a revision applied meanwhile would lose its rent).
    if (query.numRowsAffected() != 1)
        return failKind(leaseExists(lease.id) ? StoreError::Conflict : StoreError::NotFound);
    return transaction.commit() || failSql(transaction.error());
}

bool LeaseStore::leaseExists(qint64 id)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT 1 FROM leases WHERE id = ?"));
    query.addBindValue(id);
    return query.exec() && query.next();
}

bool LeaseStore::removeLease(qint64 id, qint64 version)
{
    if (!checkWritable())
        return false;
    Transaction transaction(database());
    if (!transaction.begun())
        return failSql(transaction.error());
    QSqlQuery query(database());
    query.prepare(QStringLiteral("DELETE FROM leases WHERE id = ? AND (? = 0 OR version = ?)"));
    query.addBindValue(id);
    query.addBindValue(version);
    query.addBindValue(version);
    if (!query.exec())
        return failSql(query.lastError());
    if (query.numRowsAffected() != 1)
        return failKind(leaseExists(id) ? StoreError::Conflict : StoreError::NotFound);
    return transaction.commit() || failSql(transaction.error());
}

std::optional<Lease> LeaseStore::lease(qint64 id)
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT ") + kLeaseColumns
                  + QStringLiteral(" FROM leases WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    if (!query.next()) {
        failKind(StoreError::NotFound);
        return std::nullopt;
    }
    return leaseFromRow(query);
}

std::optional<Lease> LeaseStore::findLease(const QString& reference)
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT ") + kLeaseColumns
                  + QStringLiteral(" FROM leases WHERE reference = ?"));
    query.addBindValue(reference.trimmed());
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    if (!query.next()) {
        fail(QStringLiteral("Aucun bail de référence ") + quoted(reference.trimmed())
                 + QStringLiteral(" dans le registre."),
             StoreError::NotFound);
        return std::nullopt;
    }
    return leaseFromRow(query);
}

std::optional<std::vector<Lease>> LeaseStore::leases()
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT ") + kLeaseColumns
                    + QStringLiteral(" FROM leases ORDER BY reference"))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    std::vector<Lease> result;
    while (query.next())
        result.push_back(leaseFromRow(query));
    if (query.lastError().isValid()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    return result;
}

bool LeaseStore::importLeases(const std::vector<Lease>& leases, std::vector<int>* clashes,
                              const std::vector<LineOwner>* owners)
{
    if (clashes)
        clashes->clear();
    if (!checkWritable())
        return false;
    for (const Lease& lease : leases) {
        if (const QStringList problems = validateLease(lease); !problems.isEmpty())
            return fail(QStringLiteral("Bail ") + quoted(lease.reference) + QStringLiteral("\u00a0: ")
                        + problems.join(QStringLiteral("\u00a0; ")) + u'.');
    }
    QSqlDatabase db = database();
    Transaction transaction(db);
    if (!transaction.begun())
        return failSql(transaction.error());

    // The references already there are read inside the write lock, so that no
    // other program can add one between the check and the inserts.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT reference FROM leases")))
        return failSql(query.lastError());
    QSet<QString> existing;
    while (query.next())
        existing.insert(query.value(0).toString());
    int clashCount = 0, firstClash = -1;
    for (int i = 0; i < int(leases.size()); ++i) {
        if (existing.contains(leases[i].reference.trimmed())) {
            if (clashCount++ == 0)
                firstClash = i;
            if (clashes)
                clashes->push_back(i);
        }
    }
    if (clashCount > 0)
        return fail(clashCount == 1 ? referenceExists(leases[firstClash].reference)
                                    : QStringLiteral("%1 références existent déjà dans le "
                                                     "registre.")
                                          .arg(clashCount));

    // Whose each lease is: owners found by name and address, or added.
    std::vector<Lease> owned = leases;
    if (!settleImportedOwners(owned, owners))
        return false;

    // A few statements of many rows each, whatever the number of leases.
    QSqlError e;
    std::size_t next = 0;
    const QString row =
        u'('
        + QStringList(kLeaseWrittenColumns.size(), QStringLiteral("?")).join(QStringLiteral(", "))
        + u')';
    if (!writeRows(
            db,
            QStringLiteral("INSERT INTO leases (") + kLeaseWrittenColumns.join(QStringLiteral(", "))
                + QStringLiteral(") VALUES "),
            row,
            [&](QVariantList& values) {
                if (next == owned.size())
                    return false;
                values = leaseValues(owned[next++], isServer());
                return true;
            },
            nullptr, &e, QString(),
            [&](qint64 rows) { return reportProgress(rows, qint64(leases.size())); }))
        return e.isValid() ? failSql(e) : false;
    return transaction.commit() || failSql(transaction.error());
}

} // namespace velmaris
