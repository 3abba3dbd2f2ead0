// SPDX-License-Identifier: GPL-3.0-or-later
// Copies of the register: the one kept before a migration, the user's
// backups, and the restore of one. A copy is written under a temporary name,
// checked, and only then takes its name: a broken copy never looks like a good one.
#include "leasestore.h"

#include "leasestore_p.h"
#include "quoting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <cerrno>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace velmaris {

using namespace storeinternal;

namespace {

std::atomic<int> g_checks{0};

// A name beside target that no other copy uses and that no reader takes for a backup.
QString partialName(const QString& target)
{
    // The process's number tells a later run whether its owner is gone; the
    // random part keeps anyone from planting a link under the name beforehand.
    return target
           + QStringLiteral(".partiel-%1-%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(QRandomGenerator::system()->generate64(), 16, 16, QChar(u'0'));
}

// Flushes a file, or a folder's entries, to the disk.
bool syncPath(const QString& path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#else
    Q_UNUSED(path);
    return true;
#endif
}

const char* const kLandlordKeys[] = {"NOM",      "ADRESSE1", "ADRESSE2", "ADRESSE3",
                                     "ADRESSE4", "ADRESSE5", "LIEU"};

bool writeLandlord(QSqlDatabase db, const BackupLandlord& landlord, QSqlError* error)
{
    if (!run(db,
             QStringLiteral("CREATE TABLE IF NOT EXISTS backup_landlord (key TEXT PRIMARY KEY, "
                            "value TEXT NOT NULL)"),
             error)
        || !run(db, QStringLiteral("DELETE FROM backup_landlord"), error))
        return false;
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO backup_landlord (key, value) VALUES (?, ?)"));
    for (int i = 0; i < 7; ++i) {
        const QString value = i == 0   ? landlord.name
                              : i == 6 ? landlord.place
                                       : landlord.address.value(i - 1);
        insert.bindValue(0, QString::fromLatin1(kLandlordKeys[i]));
        insert.bindValue(1, text(value));
        if (!insert.exec()) {
            *error = insert.lastError();
            return false;
        }
    }
    return true;
}

} // namespace

namespace storeinternal {

void closeConnection(const QString& name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

FileCheck checkRegisterFile(const QString& path, bool writable, QString* keepName)
{
    FileCheck check;
    auto refuse = [&](StoreError kind, const QString& reason) {
        check.kind = kind;
        check.reason = reason;
        return check;
    };
    const QFileInfo info(path);
    if (!info.isFile())
        return refuse(StoreError::Unavailable,
                      quotedPath(path) + QStringLiteral(" n’est pas un fichier"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(StoreError::Unavailable, quotedPath(path) + QStringLiteral(" est illisible"));
    if (file.read(16) != QByteArray("SQLite format 3\0", 16))
        return refuse(StoreError::Damaged,
                      quotedPath(path)
                          + QStringLiteral(" n’est pas un registre des baux de Velmaris"));
    file.close();

    const QString name = QStringLiteral("velmaris-check-%1").arg(++g_checks);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(writable ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000")
                                      : QStringLiteral("QSQLITE_OPEN_READONLY;"
                                                       "QSQLITE_BUSY_TIMEOUT=1000"));
        if (!db.open()) {
            check.kind = kindOf(db.lastError());
            check.reason = describe(db.lastError(), path);
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next()
                || q.value(0).toString() != u"ok") {
                check.kind = StoreError::Damaged;
                check.reason = quotedPath(path) + QStringLiteral(" est endommagé");
            } else if (!q.exec(QStringLiteral("SELECT version FROM schema_version")) || !q.next()
                       || !q.exec(QStringLiteral("SELECT count(*) FROM leases"))) {
                check.kind = StoreError::Damaged;
                check.reason = quotedPath(path)
                               + QStringLiteral(" n’est pas un registre des baux de Velmaris");
            } else {
                q.exec(QStringLiteral("SELECT version FROM schema_version"));
                q.next();
                check.version = q.value(0).toInt();
                if (check.version > LeaseStore::kSchemaVersion) {
                    check.kind = StoreError::Newer;
                    check.reason = quotedPath(path)
                                   + QStringLiteral(" a été écrit par une version plus récente de "
                                                    "Velmaris");
                } else {
                    check.ok = check.version >= 1;
                    if (!check.ok) {
                        check.kind = StoreError::Damaged;
                        check.reason = quotedPath(path)
                                       + QStringLiteral(" n’est pas un registre des baux de "
                                                        "Velmaris");
                    }
                }
            }
        }
    }
    if (check.ok && keepName)
        *keepName = name;
    else
        closeConnection(name);
    return check;
}

} // namespace storeinternal

QString datedCopyName(const QString& registerPath, const QDateTime& at)
{
    return registerPath + u'.' + at.toString(QStringLiteral("yyyy-MM-dd-HHmmss"))
           + QStringLiteral(".bak");
}

// SQLite makes the -wal and -shm files with the register's permissions: a
// register opened while it was read-only would leave them read-only, and once
// the register is writable again nothing could be written. They are the
// user's own working files: always writable by their owner.
void LeaseStore::repairJournalModes()
{
    const QFileInfo main(m_path);
    for (const char* suffix : {"-wal", "-shm"}) {
        const QFileInfo journal(m_path + QString::fromLatin1(suffix));
        if (!journal.exists() || journal.isSymLink() || journal.ownerId() != main.ownerId())
            continue;
        const QFile::Permissions wanted =
            journal.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        if (journal.permissions() != wanted)
            QFile::setPermissions(journal.filePath(), wanted);
    }
}

// The name the nth copy kept under target's name takes: "….bak", "…-2.bak"…
QString keptName(const QString& target, int n)
{
    if (n == 1)
        return target;
    const QString suffix = QStringLiteral(".bak");
    const QString stem = target.endsWith(suffix) ? target.chopped(suffix.size()) : target;
    return stem + QStringLiteral("-%1").arg(n) + (target.endsWith(suffix) ? suffix : QString());
}

bool LeaseStore::copyTo(const QString& target, const BackupLandlord* landlord, QString* keptAs,
                        QSqlDatabase source)
{
    const QString temp = partialName(target);
    auto failCopy = [&](StoreError kind, const QString& why) {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        return fail(QStringLiteral("La copie du registre des baux ") + quotedPath(target)
                        + QStringLiteral(" n’a pas pu être écrite\u00a0: ") + why + u'.',
                    kind);
    };
    // VACUUM INTO writes a consistent copy while other connections go on,
    // the write-ahead log included.
    QSqlQuery query(source.isValid() ? source : database());
    query.prepare(QStringLiteral("VACUUM INTO ?"));
    query.addBindValue(temp);
    if (!query.exec()) {
        const QSqlError e = query.lastError();
        return failCopy(kindOf(e), kindOf(e) == StoreError::Full
                                       ? QStringLiteral("le disque est plein")
                                       : e.databaseText());
    }
    query.finish();
    QString name;
    FileCheck check = checkRegisterFile(temp, true, &name);
    if (!check.ok)
        return failCopy(check.kind, check.reason);
    QSqlError e;
    {
        QSqlDatabase copy = QSqlDatabase::database(name, false);
        // One file that stands alone, whatever the register's journal.
        if (run(copy, QStringLiteral("PRAGMA journal_mode = DELETE"), &e) && landlord)
            writeLandlord(copy, *landlord, &e);
    }
    closeConnection(name);
    if (e.isValid())
        return failCopy(kindOf(e), describe(e, temp));
    if (!syncPath(temp))
        return failCopy(StoreError::Unavailable, QStringLiteral("le disque ne confirme pas "
                                                                "l’écriture"));
    if (keptAs) {
        // A kept copy never takes the place of anything, not even another kept
        // copy of the same second: link() fails where the name is taken.
        for (int n = 1; n <= 100; ++n) {
            const QString name = keptName(target, n);
            if (::link(QFile::encodeName(temp).constData(), QFile::encodeName(name).constData())
                == 0) {
                QFile::remove(temp);
                syncPath(QFileInfo(target).absolutePath());
                *keptAs = name;
                return true;
            }
            if (errno != EEXIST)
                break;
        }
        return failCopy(StoreError::Unavailable, QStringLiteral("elle ne peut pas prendre ce nom"));
    }
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData())
        != 0)
        return failCopy(StoreError::Unavailable, QStringLiteral("elle ne peut pas prendre ce nom"));
    syncPath(QFileInfo(target).absolutePath());
    return true;
}

bool LeaseStore::makeBackup(int version)
{
    QString target = m_path + QStringLiteral(".v%1.bak").arg(version);
    // A copy left there by an earlier run is kept when it is sound; a broken
    // one (a run killed while writing it) is no copy at all: replaced.
    for (int n = 2;; ++n) {
        const QFileInfo info(target);
        if (!info.exists() && !info.isSymLink())
            break;
        if (info.isFile() && !info.isSymLink() && !checkRegisterFile(target, false).ok)
            break;
        target = m_path + QStringLiteral(".v%1.%2.bak").arg(version).arg(n);
    }
    if (!copyTo(target, nullptr)) {
        m_error = QStringLiteral("Impossible de copier le registre des baux avant sa mise à "
                                 "jour\u00a0: ")
                  + m_error + QStringLiteral(" Le registre n’a pas été modifié.");
        return false;
    }
    m_backup = target;
    return true;
}

bool LeaseStore::backupTo(const QString& target, const BackupLandlord* landlord)
{
    if (!isOpen())
        return failKind(StoreError::NotOpen);
    if (isServer())
        return refuseOnServer(QStringLiteral("La sauvegarde"));
    // The register's journals may not exist at this moment: their names are
    // taken all the same (a file there would be read as the register's journal).
    const QString absolute = QFileInfo(target).absoluteFilePath();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        if (absolute == QFileInfo(m_path + QString::fromLatin1(suffix)).absoluteFilePath())
            return fail(QStringLiteral("La copie du registre des baux ne peut pas prendre le nom ")
                            + quotedPath(target)
                            + QStringLiteral("\u00a0: c’est celui du registre ou de son journal."),
                        StoreError::Refused);
    }
    return copyTo(target, landlord);
}

void LeaseStore::removeLeftovers()
{
#ifdef Q_OS_UNIX
    // "Velmaris.sqlite.restauration-PID…" and "….partiel-PID-…" of a process
    // that is gone: half-written copies nobody will finish.
    static const QRegularExpression leftover(QStringLiteral(
        R"(\.(?:restauration-|partiel-)(\d+)(?:-[0-9a-f]+)?(?:-journal|-wal|-shm)?$)"));
    const QFileInfo main(m_path);
    const QDir folder = main.absoluteDir();
    for (const QFileInfo& entry : folder.entryInfoList({main.fileName() + QStringLiteral(".*")},
                                                       QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch m = leftover.match(entry.fileName());
        if (!m.hasMatch() || entry.isSymLink() || entry.ownerId() != uint(geteuid()))
            continue;
        const pid_t pid = pid_t(m.captured(1).toLongLong());
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            QFile::remove(entry.filePath());
    }
#endif
}

} // namespace velmaris
