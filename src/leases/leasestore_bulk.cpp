// SPDX-License-Identifier: GPL-3.0-or-later
// Work on many rows at once, in a few statements whatever the number of rows:
// on a server each statement is a trip through the office's network, and a
// trip per lease would make the network's delay the cost of the work.
#include "leasestore.h"

#include "datafolder.h"
#include "dates.h"
#include "leasestore_p.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace velmaris {

using namespace storeinternal;

namespace storeinternal {

int valuesPerStatement(const QSqlDatabase& db)
{
    return onServer(db) ? 24000 : 400;
}

bool writeRows(QSqlDatabase db, const QString& head, const QString& rowTemplate,
               const std::function<bool(QVariantList&)>& nextRow, qint64* written, QSqlError* error,
               const QString& tail, const std::function<bool(qint64)>& onRows)
{
    const int perRow = int(rowTemplate.count(u'?'));
    // A file takes the rows of an insert one by one through one prepared statement.
    const int chunkRows = onServer(db) || !tail.isEmpty()
                              ? std::max(1, valuesPerStatement(db) / std::max(1, perRow))
                              : 1;
    QSqlQuery full(db), last(db);
    bool fullPrepared = false;
    QVariantList values, row;
    values.reserve(chunkRows * perRow);
    qint64 count = 0;
    const auto flush = [&](int rows) {
        if (rows == 0)
            return true;
        QSqlQuery& query = rows == chunkRows ? full : last;
        // The statement of a whole chunk is prepared once and run for each.
        if (rows != chunkRows || !fullPrepared) {
            QString sql = head;
            sql.reserve(head.size() + rows * (rowTemplate.size() + 2));
            for (int i = 0; i < rows; ++i)
                sql += (i ? QStringLiteral(", ") : QString()) + rowTemplate;
            sql += tail;
            if (!query.prepare(sql)) {
                *error = query.lastError();
                return false;
            }
            fullPrepared = fullPrepared || rows == chunkRows;
        }
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values[i]);
        if (!query.exec()) {
            *error = query.lastError();
            return false;
        }
        count += rows;
        values.clear();
        // Now and then, not for every row of a file.
        if (onRows && (rows > 1 || count % 512 == 0) && !onRows(count)) {
            *error = QSqlError();
            return false;
        }
        return true;
    };
    int rows = 0;
    for (;;) {
        row.clear();
        if (!nextRow(row))
            break;
        values += row;
        if (++rows == chunkRows) {
            if (!flush(rows))
                return false;
            rows = 0;
        }
    }
    if (!flush(rows))
        return false;
    if (written)
        *written = count;
    return true;
}

} // namespace storeinternal

namespace {

// A lease as the batch sees it while it checks records one after the other.
struct LeaseState {
    qint64 rentCents = 0;
    qint64 version = 0;
    QDate lastDue;
    int recorded = 0;
};

QString inList(qsizetype count)
{
    QStringList marks(count, QStringLiteral("?"));
    return u'(' + marks.join(QStringLiteral(", ")) + u')';
}

} // namespace

std::optional<std::vector<QString>>
LeaseStore::writeRevisions(const std::vector<RevisionRecord>& records,
                           const std::vector<qint64>& leaseVersions, bool allOrNothing, int* failed)
{
    if (failed)
        *failed = -1;
    if (!checkWritable())
        return std::nullopt;
    QSqlDatabase db = database();
    Transaction transaction(db);
    if (!transaction.begun()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    // Every lease concerned, read and, on a server, locked, in the order of
    // their ids: two desks running batches wait for each other, never in a circle.
    std::vector<qint64> ids;
    ids.reserve(records.size());
    for (const RevisionRecord& rec : records)
        ids.push_back(rec.leaseId);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    QHash<qint64, LeaseState> states;
    states.reserve(qsizetype(ids.size()));
    QSqlQuery read(db);
    read.setForwardOnly(true);
    const qsizetype chunk = valuesPerStatement(db);
    for (std::size_t at = 0; at < ids.size(); at += std::size_t(chunk)) {
        const qsizetype n = std::min<qsizetype>(chunk, qsizetype(ids.size() - at));
        if (!read.prepare(QStringLiteral("SELECT id, rent_cents, version, (SELECT max(due_date) "
                                         "FROM revisions WHERE lease_id = leases.id) FROM leases "
                                         "WHERE id IN ")
                          + inList(n) + QStringLiteral(" ORDER BY id")
                          + (isServer() ? QStringLiteral(" FOR UPDATE") : QString()))) {
            failSql(read.lastError());
            return std::nullopt;
        }
        for (qsizetype i = 0; i < n; ++i)
            read.bindValue(int(i), ids[at + std::size_t(i)]);
        if (!read.exec()) {
            failSql(read.lastError());
            return std::nullopt;
        }
        while (read.next())
            states.insert(read.value(0).toLongLong(),
                          {read.value(1).toLongLong(), read.value(2).toLongLong(),
                           dateFromValue(read.value(3)), 0});
        if (read.lastError().isValid()) {
            failSql(read.lastError());
            return std::nullopt;
        }
    }

    // Each record checked as "Appliquer" checks it, against the lease as the
    // records before it in the batch leave it.
    std::vector<QString> reasons(records.size());
    std::vector<std::size_t> accepted;
    accepted.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RevisionRecord& rec = records[i];
        const qint64 version = i < leaseVersions.size() ? leaseVersions[i] : 0;
        const auto it = states.find(rec.leaseId);
        QString& why = reasons[i];
        if (!isComplete(rec))
            why = QStringLiteral("Révision incomplète\u00a0: elle n’est pas enregistrée.");
        else if (it == states.end())
            why = storeErrorText(StoreError::NotFound, m_path);
        else if (version > 0 && it->version != version)
            why = storeErrorText(StoreError::Conflict, m_path);
        else if (it->rentCents != rec.oldRentCents)
            why = QStringLiteral("Le loyer de ce bail a changé depuis le calcul\u00a0: recalculez la "
                                 "révision.");
        else if (it->lastDue.isValid() && rec.dueDate <= it->lastDue)
            why = QStringLiteral("Une révision du ") + dateText(it->lastDue)
                  + QStringLiteral(" ou plus récente est déjà enregistrée pour ce bail.");
        if (!why.isEmpty()) {
            if (allOrNothing) {
                if (failed)
                    *failed = int(i);
                fail(why, it == states.end()                       ? StoreError::NotFound
                          : why.startsWith(u"Révision incomplète") ? StoreError::Refused
                                                                   : StoreError::Conflict);
                return std::nullopt;
            }
            continue;
        }
        it->rentCents = rec.newRentCents;
        it->lastDue = rec.dueDate;
        ++it->version;
        ++it->recorded;
        accepted.push_back(i);
    }

    // The history's rows, then every lease's new rent, each in a few statements.
    QSqlError e;
    std::size_t next = 0;
    const QString who =
        isServer() ? QStringLiteral("COALESCE(?, current_user)") : QStringLiteral("?");
    const QString account = isServer() ? QString() : accountName();
    if (!writeRows(
            db,
            QStringLiteral("INSERT INTO revisions (lease_id, due_date, request_date, "
                           "effective_date, old_rent_cents, new_rent_cents, "
                           "base_quarter, base_value, new_quarter, new_value, series, "
                           "notes, applied_by, applied_at) VALUES "),
            QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ") + who + QStringLiteral(", ?)"),
            [&](QVariantList& row) {
                if (next == accepted.size())
                    return false;
                row = revisionValues(records[accepted[next++]], account);
                return true;
            },
            nullptr, &e, QString(),
            [&](qint64 rows) { return reportProgress(rows, qint64(accepted.size())); })) {
        if (e.isValid())
            failSql(e);
        return std::nullopt;
    }
    std::vector<qint64> changed;
    for (auto it = states.cbegin(); it != states.cend(); ++it)
        if (it->recorded > 0)
            changed.push_back(it.key());
    std::sort(changed.begin(), changed.end());
    // Each lease's new rent and how many records moved its version, joined
    // from a list of values (both back ends name its columns column1…).
    std::size_t at = 0;
    if (!writeRows(
            db,
            QStringLiteral("UPDATE leases SET rent_cents = v.column2, version = version + "
                           "v.column3 FROM (VALUES "),
            QStringLiteral("(CAST(? AS BIGINT), CAST(? AS BIGINT), CAST(? AS BIGINT))"),
            [&](QVariantList& row) {
                if (at == changed.size())
                    return false;
                const qint64 id = changed[at++];
                const LeaseState& state = states[id];
                row << id << state.rentCents << state.recorded;
                return true;
            },
            nullptr, &e, QStringLiteral(") AS v WHERE leases.id = v.column1"))) {
        failSql(e);
        return std::nullopt;
    }
    if (!transaction.commit()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    return reasons;
}

bool LeaseStore::reportProgress(qint64 done, qint64 total)
{
    if (!m_progress || m_progress(done, total))
        return true;
    return failKind(StoreError::Canceled);
}

bool LeaseStore::appendRevisions(const std::vector<RevisionRecord>& records,
                                 const std::vector<qint64>& leaseVersions, int* failed)
{
    return writeRevisions(records, leaseVersions, true, failed).has_value();
}

std::optional<std::vector<QString>>
LeaseStore::appendApplicable(const std::vector<RevisionRecord>& records,
                             const std::vector<qint64>& leaseVersions)
{
    return writeRevisions(records, leaseVersions, false, nullptr);
}

} // namespace velmaris
