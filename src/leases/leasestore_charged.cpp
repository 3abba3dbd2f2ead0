// SPDX-License-Identifier: GPL-3.0-or-later
// The rents charged, period by period, that the audit of a lease reads.
#include "leasestore.h"

#include "leasestore_p.h"

#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

std::optional<std::vector<ChargedRent>> LeaseStore::chargedRents(qint64 leaseId)
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT month, rent_cents, request_date FROM charged_rents "
                                 "WHERE lease_id = ? ORDER BY month"));
    query.addBindValue(leaseId);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    std::vector<ChargedRent> result;
    while (query.next()) {
        ChargedRent period;
        period.month = dateFromValue(query.value(0));
        period.rentCents = query.value(1).toLongLong();
        period.requestDate = dateFromValue(query.value(2));
        result.push_back(period);
    }
    if (query.lastError().isValid()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    return result;
}

bool LeaseStore::setChargedRents(qint64 leaseId, const std::vector<ChargedRent>& periods)
{
    if (!checkWritable())
        return false;
    QSqlDatabase db = database();
    Transaction transaction(db);
    if (!transaction.begun())
        return failSql(transaction.error());
    // The lease is read inside the write lock: its start date bounds the periods.
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT ") + kLeaseColumns
                  + QStringLiteral(" FROM leases WHERE id = ?"));
    query.addBindValue(leaseId);
    if (!query.exec())
        return failSql(query.lastError());
    if (!query.next())
        return failKind(StoreError::NotFound);
    if (const QStringList problems = validateChargedRents(periods, leaseFromRow(query));
        !problems.isEmpty()) {
        QString text = problems.join(QStringLiteral("\u00a0; "));
        text[0] = text[0].toUpper();
        return fail(QStringLiteral("Loyers facturés refusés\u00a0: ") + text + u'.');
    }
    query.finish();

    query.prepare(QStringLiteral("DELETE FROM charged_rents WHERE lease_id = ?"));
    query.addBindValue(leaseId);
    if (!query.exec())
        return failSql(query.lastError());
    query.prepare(QStringLiteral("INSERT INTO charged_rents (lease_id, month, rent_cents, "
                                 "request_date) VALUES (?, ?, ?, ?)"));
    for (const ChargedRent& period : periods) {
        query.bindValue(0, leaseId);
        query.bindValue(1, dateParam(period.month, isServer()));
        query.bindValue(2, period.rentCents);
        query.bindValue(3, dateParam(period.requestDate, isServer()));
        if (!query.exec())
            return failSql(query.lastError());
    }
    return transaction.commit() || failSql(transaction.error());
}

} // namespace velmaris
