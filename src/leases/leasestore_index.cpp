// SPDX-License-Identifier: GPL-3.0-or-later
// The office's index figures in the register: one row holding the index
// file's text, read by every desk and completed in one transaction.
#include "leasestore.h"

#include "leasestore_p.h"

#include "datafolder.h"
#include "indexfile.h"
#include "safefile.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

namespace {

const QString kSelectFigures =
    QStringLiteral("SELECT content, version, updated_by, updated_at FROM index_figures "
                   "WHERE id = 1");

// The file is 8-bit: each byte is one character of the column and comes back
// as the same byte, whatever the server's encoding.
QString columnText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

LeaseStore::IndexFigures figuresFromRow(const QSqlQuery& query)
{
    LeaseStore::IndexFigures figures;
    figures.content = query.value(0).toString().toLatin1();
    if (figures.content.isEmpty())
        return {};
    figures.version = query.value(1).toLongLong();
    figures.updatedBy = query.value(2).toString();
    figures.updatedAt = query.value(3).toString();
    return figures;
}

// Why a text may not be the register's figures, in French; empty when it may.
QString figuresRefusal(const QByteArray& content)
{
    if (content.size() > kMaxIndexFileBytes)
        return QStringLiteral("ils dépassent %1").arg(sizeText(kMaxIndexFileBytes));
    // A column of text holds no NUL: it would cut the figures short.
    if (content.contains('\0'))
        return QStringLiteral("ils contiennent un caractère nul");
    const IndexFileResult read = parseIndexFile(content);
    if (!read.ok())
        return QStringLiteral("ils ne se lisent pas comme un fichier des indices (%1)")
            .arg(corruptionDetail(read));
    return {};
}

} // namespace

std::optional<LeaseStore::IndexFigures> LeaseStore::indexFigures()
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    if (!query.exec(kSelectFigures)) {
        failSql(query.lastError());
        return std::nullopt;
    }
    return query.next() ? figuresFromRow(query) : IndexFigures();
}

std::optional<qint64> LeaseStore::indexFiguresVersion()
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT version FROM index_figures WHERE id = 1 AND "
                                   "content <> ''"))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    return query.next() ? query.value(0).toLongLong() : 0;
}

std::optional<LeaseStore::IndexFigures> LeaseStore::mergeIndexFigures(const IndexMerge& merge)
{
    if (!checkWritable())
        return std::nullopt;
    QSqlDatabase db = database();
    const bool server = isServer();
    Transaction transaction(db);
    if (!transaction.begun()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    QSqlQuery query(db);
    // The row is made when absent, inside this transaction: a second desk
    // doing the same waits for this one to end, then finds the row.
    if (!query.exec(QStringLiteral("INSERT INTO index_figures (id, content, version) VALUES "
                                   "(1, '', 1) ON CONFLICT (id) DO NOTHING"))
        || !query.exec(kSelectFigures + (server ? QStringLiteral(" FOR UPDATE") : QString()))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    const IndexFigures current = query.next() ? figuresFromRow(query) : IndexFigures();
    query.finish();

    const IndexChange change = merge(current.content);
    if (change.refused()) {
        fail(change.refusal, StoreError::Refused);
        return std::nullopt;
    }
    // Nothing to write: the transaction ends without a word to the other desks.
    if (change.bytes.isEmpty() || change.bytes == current.content)
        return current;
    if (const QString why = figuresRefusal(change.bytes); !why.isEmpty()) {
        fail(QStringLiteral(
                 "Les indices ne sont pas enregistrés dans le registre des baux\u00a0: %1.")
                 .arg(why),
             StoreError::Refused);
        return std::nullopt;
    }

    IndexFigures written;
    written.content = change.bytes;
    written.version = current.version + 1;
    written.updatedAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    // Who wrote them: on a server the role it knows, as for a revision.
    if (!query.prepare(server ? QStringLiteral("UPDATE index_figures SET content = ?, version = ?, "
                                               "updated_by = current_user, updated_at = ? "
                                               "WHERE id = 1 RETURNING updated_by")
                              : QStringLiteral("UPDATE index_figures SET content = ?, version = ?, "
                                               "updated_by = ?, updated_at = ? WHERE id = 1"))) {
        failSql(query.lastError());
        return std::nullopt;
    }
    if (!server)
        written.updatedBy = accountName();
    query.addBindValue(columnText(written.content));
    query.addBindValue(written.version);
    if (!server)
        query.addBindValue(written.updatedBy);
    query.addBindValue(written.updatedAt);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    if (server && query.next())
        written.updatedBy = query.value(0).toString();
    query.finish();
    if (!transaction.commit()) {
        failSql(transaction.error());
        return std::nullopt;
    }
    return written;
}

} // namespace velmaris
