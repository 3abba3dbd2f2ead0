// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the parts of LeaseStore share: error texts, transactions, the schema
// and the mapping of rows.

#include "lease.h"
#include "leasestore.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

namespace velmaris::storeinternal {

// The French message for an SQLite failure on the register at path, and its kind.
QString describe(const QSqlError& error, const QString& path);
StoreError kindOf(const QSqlError& error);

// The same for a PostgreSQL server, named by where ("user@host:port/base").
QString describeServer(const QSqlError& error, const QString& where);
StoreError serverKindOf(const QSqlError& error);
// Whether the server's connection is gone (cut, or ended by the server).
bool connectionLost(const QSqlError& error);

// Whether the connection is to a PostgreSQL server rather than an SQLite file.
bool onServer(const QSqlDatabase& db);
// The channel a server's register announces its commits on.
inline constexpr QStringView kChangeChannel = u"velmaris_register";

// " RETURNING id" for the server, which has no last row id; then the new row's id.
QString returningId(const QSqlDatabase& db);
qint64 insertedId(QSqlQuery& query);

// The primary SQLite result code of a failure (5 busy, 8 read-only, 11 corrupt...).
int sqliteCode(const QSqlError& error);

// BEGIN IMMEDIATE at construction, ROLLBACK at destruction unless committed:
// taking the write lock first means a busy file is found before any work. On
// a server, BEGIN (rows are locked as they are written or read FOR UPDATE),
// and the commit tells the other desks.
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

// The SQL that brings a file of fromVersion to toVersion (from 0, an empty
// file, it creates version 1 first), in order; for a server, in PostgreSQL's
// words.
QStringList migrationSteps(int fromVersion, bool server = false,
                           int toVersion = LeaseStore::kSchemaVersion);
// The whole migration inside the caller's transaction, the steps SQL cannot
// say included. False with *error set, or with *refused naming the lease and
// the value that the schema of version 7 would refuse.
bool migrateSchema(QSqlDatabase db, int from, bool server, QString* refused, QSqlError* error);
// Version 7's steps: typed columns and CHECK constraints on a server, the
// same rules as triggers in an SQLite file.
QStringList typedSchemaSteps(bool server);
// The CHECK constraints (server) or triggers (file) of the rules a version
// added, on the tables that version made.
QStringList ruleSteps(bool server, int version);
// The first row that breaks one of those rules ("bail « A-12 » : date de
// signature « 15/10/2019 »"), empty when every row holds.
// upTo: the rules of the versions up to that one (the tables a register of
// that version has).
QString valuesRefused(QSqlDatabase db, bool server, QSqlError* error, int upTo = 7);
// What the register says when one of those rules refused a value, from the
// database's own text, the register named as given; empty when it is no rule
// of ours.
QString refusedValueText(const QString& databaseText, const QString& quotedRegister);
// A value read from one back end as the other one's column takes it.
QVariant copiedValue(QStringView table, QStringView column, const QVariant& value, bool toServer);
// The territory of every lease from its postal code, by the one rule of
// territoryFromPostalCode(): the step of version 2 that SQL cannot say.
bool territoriesFromPostalCodes(QSqlDatabase db, QSqlError* error);

// What a look at a register file found: its schema version, or why it is no
// register this program can read (kind and French reason).
struct FileCheck {
    bool ok = false;
    int version = 0;
    StoreError kind = StoreError::None;
    QString reason;
};
// Opens the file on a connection of its own (read-only unless writable) and
// checks it whole: PRAGMA integrity_check, a schema version this program
// knows, a lease table. With keepOpen, the connection stays under *name for
// the caller to use and remove (closeConnection).
FileCheck checkRegisterFile(const QString& path, bool writable, QString* name = nullptr);
void closeConnection(const QString& name);

// Writes the rows nextRow gives (false: no more) with few statements: head
// ("INSERT INTO t (a, b) VALUES ") then as many rowTemplate ("(?, ?)") as a
// statement takes, then tail (for a statement that joins a list of values).
// *written (when given): the number of rows inserted. onRows (when given) is
// told the rows done now and then; when it returns false the work stops,
// false with *error left empty.
bool writeRows(QSqlDatabase db, const QString& head, const QString& rowTemplate,
               const std::function<bool(QVariantList&)>& nextRow, qint64* written, QSqlError* error,
               const QString& tail = QString(), const std::function<bool(qint64)>& onRows = {});
// How many values one statement takes: many on a server, where each
// statement is a trip through the network; few in a file, where Qt's SQLite
// driver looks each parameter up by walking the list of them all.
int valuesPerStatement(const QSqlDatabase& db);

// A record "Appliquer" may store: its dates and a new rent within bounds.
bool isComplete(const RevisionRecord& rec);

// Rows. Dates are ISO text ("2024-03-15", empty for none), quarters their key.
extern const QString kLeaseColumns;            // in the order leaseFromRow() reads them
extern const QString kRevisionColumns;         // in the order revisionFromRow() reads them
extern const QString kInsertLease;             // named placeholders, bound by bindLease()
extern const QStringList kLeaseWrittenColumns; // what a form or an import writes
// A lease's values in the order of kLeaseWrittenColumns.
QVariantList leaseValues(const Lease& lease, bool server);
QString dateKey(const QDate& date);
QDate dateFromKey(const QString& text);
QString text(const QString& value); // never a null text: the columns are NOT NULL
// A date as a statement takes it: on a server a DATE or NULL, in a file ISO text.
QVariant dateParam(const QDate& date, bool server);
// A date or a moment as read back from either.
QDate dateFromValue(const QVariant& value);
QDateTime dateTimeFromValue(const QVariant& value);
void bindLease(QSqlQuery& query, const Lease& lease);
Lease leaseFromRow(const QSqlQuery& query);
RevisionRecord revisionFromRow(const QSqlQuery& query);

} // namespace velmaris::storeinternal
