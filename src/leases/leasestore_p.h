#pragma once

// What the two halves of LeaseStore share: error texts and transactions.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

namespace velmaris::storeinternal {

// The French message for an SQLite failure on the register at path.
QString describe(const QSqlError& error, const QString& path);

// The primary SQLite result code of a failure (5 busy, 8 read-only, 11 corrupt...).
int sqliteCode(const QSqlError& error);

// BEGIN IMMEDIATE at construction, ROLLBACK at destruction unless committed:
// taking the write lock first means a busy file is found before any work.
class Transaction {
public:
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool begun() const { return m_begun; }
    bool commit();
    QSqlError error() const { return m_error; }

private:
    QSqlDatabase m_db;
    QSqlError m_error;
    bool m_begun = false;
    bool m_done = false;
};

// Runs one statement; false with *error set when it fails.
bool run(QSqlDatabase db, const QString& sql, QSqlError* error);

} // namespace velmaris::storeinternal
