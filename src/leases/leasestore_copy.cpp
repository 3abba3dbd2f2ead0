// SPDX-License-Identifier: GPL-3.0-or-later
// Moving a register between an SQLite file and a server, whole or not at all.
#include "leasestore.h"

#include "leasestore_p.h"
#include "quoting.h"

#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

namespace {

struct Table {
    const char* name;
    const char* columns;
};

// Parents first: the history and the rents charged point at their lease.
const Table kTables[] = {
    {"owners", "id, name, address, postal_code, town, kind, email, phone, notes, version"},
    {"agency",
     "id, name, address, postal_code, town, card_number, card_chamber, guarantor_name, "
     "guarantor_address, email, phone, version"},
    {"adopted_landlords", "id, key"},
    {"leases",
     "id, reference, tenant, address, postal_code, territory, furnished, signing_date, "
     "start_date, reference_quarter, revision_day, revision_month, clause, dpe_class, dpe_date, "
     "rent_cents, charges_cents, prior_revision, notes, version, town, landlord_kind, owner_id, "
     "tenant_email"},
    {"revisions",
     "id, lease_id, due_date, request_date, effective_date, old_rent_cents, new_rent_cents, "
     "base_quarter, base_value, new_quarter, new_value, series, notes, applied_by, applied_at"},
    {"charged_rents", "id, lease_id, month, rent_cents, request_date"},
    {"letters_sent", "id, lease_id, due_date, sent_on, channel, sent_by, sent_at"},
};

const QStringList kLeaseTables = {QStringLiteral("leases"), QStringLiteral("revisions"),
                                  QStringLiteral("charged_rents"), QStringLiteral("letters_sent")};

qint64 rowCount(QSqlDatabase db, const QString& table, QSqlError* error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM ") + table) || !query.next()) {
        *error = query.lastError();
        return -1;
    }
    return query.value(0).toLongLong();
}

// Copies one table's rows, ids kept, a few statements for the whole table;
// the number copied, or -1.
qint64 copyTable(QSqlDatabase from, QSqlDatabase to, const Table& table, QSqlError* error,
                 const std::function<bool(qint64)>& onRows)
{
    const QString columns = QString::fromLatin1(table.columns);
    const QString name = QString::fromLatin1(table.name);
    const QStringList names = columns.split(QStringLiteral(", "));
    QSqlQuery read(from);
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY id").arg(columns, name))) {
        *error = read.lastError();
        return -1;
    }
    const bool toServer = onServer(to);
    qint64 copied = 0;
    if (!writeRows(
            to, QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(name, columns),
            u'(' + QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")) + u')',
            [&](QVariantList& row) {
                if (!read.next())
                    return false;
                for (qsizetype i = 0; i < names.size(); ++i)
                    row << copiedValue(name, names[i], read.value(int(i)), toServer);
                return true;
            },
            &copied, error, QString(), onRows))
        return -1;
    if (read.lastError().isValid()) {
        *error = read.lastError();
        return -1;
    }
    // A server's next ids follow the copied ones.
    if (onServer(to)
        && !run(to,
                QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'id'), "
                               "coalesce(max(id), 0) + 1, false) FROM %1")
                    .arg(name),
                error))
        return -1;
    return copied;
}

} // namespace

bool LeaseStore::copyInto(LeaseStore& target)
{
    if (!isOpen())
        return failKind(StoreError::NotOpen);
    if (!target.checkWritable())
        return fail(target.error(), target.errorKind());
    QSqlDatabase from = database(), to = target.database();
    // The source is read in one snapshot, while its desks may go on writing.
    QSqlError e;
    if (!run(from,
             isServer() ? QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")
                        : QStringLiteral("BEGIN"),
             &e))
        return failSql(e);
    // A failure on the target's side, said as the target says it.
    const auto targetFailed = [&](const QSqlError& error) {
        target.failSql(error);
        return fail(target.error(), target.errorKind());
    };
    const bool copied = [&] {
        Transaction transaction(to);
        if (!transaction.begun())
            return targetFailed(transaction.error());
        for (const Table& table : kTables) {
            const QString name = QString::fromLatin1(table.name);
            // An empty register's owners and agency (a desk's own landlord
            // taken in at its opening) give way to the copy's.
            if (!kLeaseTables.contains(name))
                continue;
            const qint64 there = rowCount(to, name, &e);
            if (there != 0)
                return there < 0 ? targetFailed(e)
                                 : fail(QStringLiteral("Le registre ") + quoted(target.path())
                                            + QStringLiteral(" n’est pas vide\u00a0: la copie ne "
                                                             "s’y fait pas, rien n’a été écrit."),
                                        StoreError::Refused);
        }
        for (const char* table : {"adopted_landlords", "agency", "owners"})
            if (!run(to, QStringLiteral("DELETE FROM ") + QLatin1StringView(table), &e))
                return targetFailed(e);
        qint64 counts[std::size(kTables)] = {}, total = 0, before = 0;
        bool canceled = false;
        for (std::size_t t = 0; t < std::size(kTables); ++t) {
            counts[t] = rowCount(from, QString::fromLatin1(kTables[t].name), &e);
            if (counts[t] < 0)
                return failSql(e);
            total += counts[t];
        }
        for (std::size_t t = 0; t < std::size(kTables); ++t) {
            const QString name = QString::fromLatin1(kTables[t].name);
            const qint64 source = counts[t];
            const qint64 written = copyTable(from, to, kTables[t], &e, [&](qint64 rows) {
                canceled = !reportProgress(before + rows, total);
                return !canceled;
            });
            before += source;
            if (written < 0 || rowCount(to, name, &e) != source || written != source) {
                if (canceled)
                    return false;
                if (e.isValid())
                    return targetFailed(e);
                return fail(QStringLiteral("La copie du registre ne compte pas autant de lignes "
                                           "que l’original\u00a0; rien n’a été écrit."),
                            StoreError::Refused);
            }
        }
        return transaction.commit() || targetFailed(transaction.error());
    }();
    run(from, QStringLiteral("ROLLBACK"), nullptr);
    return copied;
}

} // namespace velmaris
