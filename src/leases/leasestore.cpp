// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the register: the connection, the checks, the schema and its migrations.
#include "leasestore.h"

#include "leasestore_p.h"

#include "datafolder.h"
#include "quoting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <utility>

namespace velmaris {

using namespace storeinternal;

namespace {

std::atomic<int> g_connections{0};

// PRAGMA quick_check: false with *error set when the file is damaged.
bool integrityHolds(QSqlDatabase db, QSqlError* error)
{
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("PRAGMA quick_check"))) {
        *error = check.lastError();
        return false;
    }
    if (check.next() && check.value(0).toString() == u"ok")
        return true;
    *error = QSqlError({}, {}, QSqlError::StatementError, QStringLiteral("11"));
    return false;
}

} // namespace

namespace storeinternal {

bool run(QSqlDatabase db, const QString& sql, QSqlError* error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    if (error)
        *error = query.lastError();
    return false;
}

Transaction::Transaction(QSqlDatabase db)
    : m_db(db)
{
    m_begun =
        run(m_db, onServer(m_db) ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"),
            &m_error);
}

Transaction::~Transaction()
{
    if (m_begun && !m_done)
        run(m_db, QStringLiteral("ROLLBACK"), nullptr);
}

bool Transaction::commit()
{
    if (!m_begun || m_done)
        return false;
    // Delivered to the other desks at the commit, and only if it happens.
    if (onServer(m_db)
        && !run(m_db, QStringLiteral("NOTIFY ") + kChangeChannel.toString(), &m_error))
        return false;
    if (!run(m_db, QStringLiteral("COMMIT"), &m_error))
        return false; // the destructor rolls back
    m_done = true;
    return true;
}

} // namespace storeinternal

QString LeaseStore::fileName()
{
    return QStringLiteral("Velmaris.sqlite");
}

LeaseStore::LeaseStore() = default;

LeaseStore::~LeaseStore()
{
    close();
}

void LeaseStore::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
}

QSqlDatabase LeaseStore::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

bool LeaseStore::isOpen() const
{
    return !m_connection.isEmpty() && !m_connectionLost && database().isOpen();
}

bool LeaseStore::isReadOnly() const
{
    return m_readOnly;
}

QString LeaseStore::path() const
{
    return m_path;
}

QString LeaseStore::backupPath() const
{
    return m_backup;
}

QString LeaseStore::error() const
{
    return m_error;
}

StoreError LeaseStore::errorKind() const
{
    return m_errorKind;
}

bool LeaseStore::fail(const QString& message, StoreError kind)
{
    m_error = message;
    m_errorKind = kind;
    return false;
}

bool LeaseStore::failKind(StoreError kind)
{
    // Not "not open": the server went away, and the user is to know it.
    if (kind == StoreError::NotOpen && m_connectionLost)
        return fail(QStringLiteral("Le serveur du registre des baux ") + quoted(m_path)
                        + QStringLiteral(" ne répond plus\u00a0; rien n’a été enregistré. La "
                                         "connexion sera rétablie dès qu’il répondra."),
                    kind);
    return fail(storeErrorText(kind, m_path), kind);
}

bool LeaseStore::failSql(const QSqlError& error)
{
    if (isServer()) {
        // A connection the server dropped stays dropped: the store counts as
        // closed, so that the next opening connects again.
        m_connectionLost = m_connectionLost || connectionLost(error);
        return fail(describeServer(error, m_path), serverKindOf(error));
    }
    return fail(describe(error, m_path), kindOf(error));
}

bool LeaseStore::checkWritable()
{
    if (!isOpen())
        return failKind(StoreError::NotOpen);
    if (m_readOnly && isServer())
        return fail(QStringLiteral("Le registre des baux ") + quoted(m_path)
                        + QStringLiteral(" ne peut être que lu depuis ce poste\u00a0: ")
                        + m_readOnlyReason
                        + QStringLiteral("\u00a0; la modification n’est pas enregistrée."),
                    StoreError::ReadOnly);
    if (m_readOnly)
        return failKind(StoreError::ReadOnly);
    return true;
}

bool LeaseStore::changedElsewhere()
{
    if (!isOpen())
        return false;
    if (isServer())
        return std::exchange(m_notified, false);
    // data_version moves only when another connection commits: this store's
    // own writes are already in what the caller shows.
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("PRAGMA data_version")) || !query.next())
        return false;
    const qint64 now = query.value(0).toLongLong();
    const bool changed = m_dataVersion >= 0 && now != m_dataVersion;
    m_dataVersion = now;
    return changed;
}

void LeaseStore::close()
{
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase db = database();
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
    if (m_readOnly && !isServer())
        repairJournalModes();
    m_server.reset();
    m_notified = false;
    m_connectionLost = false;
}

bool LeaseStore::open(const QString& folder)
{
    close();
    m_error.clear();
    m_errorKind = StoreError::None;
    m_backup.clear();
    m_readOnly = false;
    m_readOnlyReason.clear();
    m_dataVersion = -1;
    m_server.reset();
    m_path = QDir(folder).filePath(fileName());
    if (!checkFile() || !connectFile())
        return false;
    removeLeftovers();
    if (!prepareSchema()) {
        close();
        return false;
    }
    changedElsewhere(); // what the caller reads next is the baseline
    return true;
}

// What is at the register's place, looked at before SQLite opens it.
bool LeaseStore::checkFile()
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(QStringLiteral("Le pilote SQLite de Qt n’est pas installé (paquet "
                                   "libqt6sql6-sqlite)\u00a0: le registre des baux n’est pas "
                                   "disponible."));
    // The program's rule for every file it writes: never through a symbolic
    // link, never in a folder of someone else's.
    if (const QString refusal = writeRefusal(m_path); !refusal.isEmpty())
        return fail(QStringLiteral("Le registre des baux n’est pas disponible\u00a0: ") + refusal + u'.',
                    StoreError::Unavailable);
    const QFileInfo info(m_path);
    if (info.exists()) {
        if (!info.isFile())
            return fail(quotedPath(m_path)
                            + QStringLiteral(" n’est pas un fichier\u00a0: le registre des "
                                             "baux n’est pas disponible."),
                        StoreError::Unavailable);
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("Impossible de lire le registre des baux ")
                            + quotedPath(m_path) + u'.',
                        StoreError::Unavailable);
        // Look before SQLite does: a file of something else is never written to.
        const QByteArray header = file.read(16);
        if (!header.isEmpty() && header != QByteArray("SQLite format 3\0", 16))
            return failKind(StoreError::Damaged);
        // Also for root, who could write anyway: a file without write permission
        // is meant to stay as it is.
        m_readOnly = !info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner);
        if (m_readOnly)
            m_readOnlyReason = QStringLiteral("le fichier est en lecture seule");
        if (!m_readOnly)
            repairJournalModes();
    }
    return true;
}

bool LeaseStore::connectFile()
{
    m_connection = QStringLiteral("velmaris-leases-%1").arg(++g_connections);
    QSqlError openError;
    {
        // No copy of the connection may outlive this block: close() removes it.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout);
        if (m_readOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        if (!db.open())
            openError = db.lastError();
    }
    if (openError.isValid()) {
        close();
        return failSql(openError);
    }
    return true;
}

// The schema checked whole, brought up to date; false after saying why (the
// caller closes).
bool LeaseStore::prepareSchema()
{
    bool ok = false;
    const int version = readVersion(&ok);
    if (!ok)
        return false;
    // A damaged page shows now, before any migration, rather than in the
    // middle of some later work.
    QSqlError e;
    if (!isServer()
        && (!run(database(), QStringLiteral("PRAGMA foreign_keys = ON"), &e)
            || !integrityHolds(database(), &e)))
        return failSql(e);
    if (version > kSchemaVersion)
        return failKind(StoreError::Newer);
    if (version == 0 && isServer() && m_creation == Creation::Refused)
        return failKind(StoreError::NoRegister);
    if (version < kSchemaVersion) {
        if (m_readOnly)
            return fail(QStringLiteral("Le registre des baux ") + quotedPath(m_path)
                            + QStringLiteral(" est en lecture seule et d’une version ancienne\u00a0: "
                                             "il ne peut pas être mis à jour."),
                        StoreError::ReadOnly);
        // A server's migration is one transaction: there is no file to copy.
        if ((version > 0 && !isServer() && !makeBackup(version)) || !migrate(version))
            return false;
    }
    if (!m_readOnly && !isServer()) {
        // WAL lets readers go on while a write runs. If another connection keeps
        // the file from switching now, the register still works, only with the
        // rollback journal.
        run(database(), QStringLiteral("PRAGMA journal_mode = WAL"), nullptr);
    }
    return true;
}

} // namespace velmaris
