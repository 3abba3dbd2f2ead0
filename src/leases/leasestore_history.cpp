// SPDX-License-Identifier: GPL-3.0-or-later
// The history of the revisions: recorded one by one or many at once, each
// checked against its lease as it now is, and read back.
#include "leasestore.h"

#include "datafolder.h"
#include "dates.h"
#include "leasestore_p.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

namespace storeinternal {

bool isComplete(const RevisionRecord& rec)
{
    return rec.dueDate.isValid() && rec.requestDate.isValid() && rec.effectiveDate.isValid()
           && rec.newRentCents > 0 && rec.newRentCents <= kMaxAmountCents;
}

} // namespace storeinternal

// The statements a revision is written with, prepared once for a whole list:
// a server prepares each one on its side, and a list runs them thousands of times.
struct LeaseStore::RevisionQueries {
    QSqlQuery check, insert, update;
    explicit RevisionQueries(const QSqlDatabase& db)
        : check(db)
        , insert(db)
        , update(db)
    {
    }
};

bool LeaseStore::prepareRevisionQueries(RevisionQueries& q)
{
    // A server's desks run side by side: the lease's row is locked as it is
    // read, so that a second desk waits and then sees the first one's rent.
    const bool ok =
        q.check.prepare(QStringLiteral("SELECT rent_cents, (SELECT max(due_date) FROM revisions "
                                       "WHERE lease_id = leases.id), version FROM leases "
                                       "WHERE id = ?")
                        + (isServer() ? QStringLiteral(" FOR UPDATE") : QString()))
        && q.insert.prepare(
            QStringLiteral("INSERT INTO revisions (lease_id, due_date, request_date, "
                           "effective_date, old_rent_cents, new_rent_cents, base_quarter, "
                           "base_value, new_quarter, new_value, series, notes, applied_by, "
                           "applied_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ")
            // Who applied it: on a server the role it knows, written by the
            // server itself; here the system's account, never the environment.
            + (isServer() ? QStringLiteral("COALESCE(?, current_user)") : QStringLiteral("?"))
            + QStringLiteral(", ?)") + returningId(database()))
        && q.update.prepare(
            QStringLiteral("UPDATE leases SET rent_cents = ?, version = version + 1 WHERE id = ?"));
    if (!ok)
        failSql(q.check.lastError().isValid()    ? q.check.lastError()
                : q.insert.lastError().isValid() ? q.insert.lastError()
                                                 : q.update.lastError());
    return ok;
}

// The lease as the revision was computed on: same version, same rent, and
// no revision of that date or a later one recorded meanwhile.
bool LeaseStore::revisionStillApplies(const RevisionRecord& rec, qint64 leaseVersion,
                                      QSqlQuery& query)
{
    query.bindValue(0, rec.leaseId);
    if (!query.exec()) {
        failSql(query.lastError());
        return false;
    }
    if (!query.next()) {
        failKind(StoreError::NotFound);
        return false;
    }
    // Computed on a state that has changed since (another window, another
    // program): recording it would revise twice or from the wrong rent.
    if (leaseVersion > 0 && query.value(2).toLongLong() != leaseVersion) {
        failKind(StoreError::Conflict);
        return false;
    }
    if (query.value(0).toLongLong() != rec.oldRentCents) {
        fail(QStringLiteral("Le loyer de ce bail a changé depuis le calcul\u00a0: recalculez la "
                            "révision."),
             StoreError::Conflict);
        return false;
    }
    const QDate lastDue = dateFromValue(query.value(1));
    if (lastDue.isValid() && rec.dueDate <= lastDue) {
        fail(QStringLiteral("Une révision du ") + dateText(lastDue)
                 + QStringLiteral(" ou plus récente est déjà enregistrée pour ce bail."),
             StoreError::Conflict);
        return false;
    }
    return true;
}

// A record's values in the order the history's INSERT takes them. Who applied
// it: on a server the role it knows, written by the server itself (NULL here);
// on a register of this machine the system's account, never the environment.
QVariantList LeaseStore::revisionValues(const RevisionRecord& rec, const QString& account)
{
    return {
        rec.leaseId,
        dateParam(rec.dueDate, isServer()),
        dateParam(rec.requestDate, isServer()),
        dateParam(rec.effectiveDate, isServer()),
        rec.oldRentCents,
        rec.newRentCents,
        text(rec.baseQuarter.key()),
        rec.baseValue,
        text(rec.newQuarter.key()),
        rec.newValue,
        text(seriesKey(rec.series)),
        text(rec.notes),
        !rec.appliedBy.isEmpty() ? text(rec.appliedBy)
        : isServer()             ? QVariant(QMetaType(QMetaType::QString))
                                 : text(account),
        (rec.appliedAt.isValid() ? rec.appliedAt : QDateTime::currentDateTimeUtc())
            .toUTC()
            .toString(Qt::ISODate),
    };
}

// One record written inside the caller's transaction: checked against the
// lease as it now is, then the history row and the lease's new rent.
std::optional<qint64> LeaseStore::recordRevision(const RevisionRecord& rec, qint64 leaseVersion,
                                                 RevisionQueries& q)
{
    if (!isComplete(rec)) {
        fail(QStringLiteral("Révision incomplète\u00a0: elle n’est pas enregistrée."),
             StoreError::Refused);
        return std::nullopt;
    }
    const bool applies = revisionStillApplies(rec, leaseVersion, q.check);
    q.check.finish();
    if (!applies)
        return std::nullopt;
    const QVariantList values = revisionValues(rec, isServer() ? QString() : accountName());
    for (int i = 0; i < int(values.size()); ++i)
        q.insert.bindValue(i, values[i]);
    if (!q.insert.exec()) {
        failSql(q.insert.lastError());
        return std::nullopt;
    }
    const qint64 id = insertedId(q.insert);
    q.update.bindValue(0, rec.newRentCents);
    q.update.bindValue(1, rec.leaseId);
    if (!q.update.exec()) {
        failSql(q.update.lastError());
        return std::nullopt;
    }
    return id;
}

std::optional<qint64> LeaseStore::appendRevision(const RevisionRecord& rec, qint64 leaseVersion)
{
    if (!checkWritable())
        return std::nullopt;
    // Refused before the write lock is asked for: an incomplete record is
    // said as such even when the file is busy.
    if (!isComplete(rec)) {
        fail(QStringLiteral("Révision incomplète\u00a0: elle n’est pas enregistrée."),
             StoreError::Refused);
        return std::nullopt;
    }
    Transaction transaction(database());
    if (!transaction.begun()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    RevisionQueries queries(database());
    if (!prepareRevisionQueries(queries))
        return std::nullopt;
    const auto id = recordRevision(rec, leaseVersion, queries);
    if (!id)
        return std::nullopt;
    if (!transaction.commit()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    return id;
}

std::optional<std::vector<RevisionRecord>> LeaseStore::history(qint64 leaseId)
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT ") + kRevisionColumns
                  + QStringLiteral(" FROM revisions WHERE lease_id = ? ORDER BY due_date, id"));
    query.addBindValue(leaseId);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    std::vector<RevisionRecord> result;
    while (query.next())
        result.push_back(revisionFromRow(query));
    return result;
}

std::optional<std::vector<RevisionRecord>> LeaseStore::lastRevisions()
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    // The notes stay out: the register needs the dates and the quarter only.
    if (!query.exec(QStringLiteral(
            "SELECT r.id, r.lease_id, r.due_date, r.request_date, r.effective_date, "
            "r.old_rent_cents, r.new_rent_cents, r.base_quarter, r.base_value, r.new_quarter, "
            "r.new_value, r.series, '', r.applied_by, r.applied_at FROM revisions r JOIN (SELECT "
            "lease_id, max(due_date) "
            "AS due FROM revisions GROUP BY lease_id) m ON r.lease_id = m.lease_id AND "
            "r.due_date = m.due"))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    std::vector<RevisionRecord> result;
    while (query.next())
        result.push_back(revisionFromRow(query));
    return result;
}

} // namespace velmaris
