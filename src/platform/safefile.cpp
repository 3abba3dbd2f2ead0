// SPDX-License-Identifier: GPL-3.0-or-later
#include "safefile.h"

#include "datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmaris {

namespace {

QString quoted(const QString& path)
{
    return QStringLiteral("«\u00a0%1\u00a0»").arg(QDir::toNativeSeparators(path));
}

// What the system said, as a user reads it. The system's own text is English:
// it is kept only for the rare causes named here by none.
QString systemReason(int error, const QFileDevice& file)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("disque plein");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("quota du disque dépassé");
#endif
    case EROFS:
        return QStringLiteral("le disque est en lecture seule");
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case EIO:
        return QStringLiteral("erreur d’entrée-sortie du disque");
    case EFBIG:
        return QStringLiteral("fichier trop grand pour ce disque");
    case ENOENT:
        return QStringLiteral("le dossier n’existe plus");
    default:
        break;
    }
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("accès refusé");
    case QFileDevice::WriteError:
    case QFileDevice::ResizeError:
        return QStringLiteral("l’écriture a échoué (%1)").arg(file.errorString());
    default:
        return QStringLiteral("erreur du système (%1)").arg(file.errorString());
    }
}

// The folder's entry for the new name reaches the disk too: without it a
// crash could bring the old file back after success was said.
int syncFolderOf(const QString& path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0; // a folder that cannot be opened for this is no failure of the write
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder at all.
    if (result != 0 && error != EINVAL && error != ENOTSUP && error != EBADF)
        return error;
#else
    Q_UNUSED(path);
#endif
    return 0;
}

} // namespace

QString writeRefusal(const QString& path)
{
    const QFileInfo file(path);
    if (file.isSymLink())
        return QStringLiteral("%1 est un lien symbolique\u00a0: Velmaris n’écrit pas à travers un lien")
            .arg(quoted(path));
    if (file.isDir())
        return QStringLiteral("%1 est un dossier, pas un fichier").arg(quoted(path));
    if (file.exists() && !file.isFile())
        return QStringLiteral("%1 n’est pas un fichier ordinaire").arg(quoted(path));
    if (const QString shipped = shippedFileRefusal(path, shippedIndexFile()); !shipped.isEmpty())
        return shipped;
    const QFileInfo folder(file.absolutePath());
    if (folder.exists() && !folder.isDir())
        return QStringLiteral("%1 est un fichier, pas un dossier").arg(quoted(folder.filePath()));
    if (!folder.isDir())
        return QStringLiteral("le dossier %1 n’existe pas").arg(quoted(folder.filePath()));
#ifdef Q_OS_UNIX
    // Someone else's folder is theirs to fill, even for root: a file made
    // there could be swapped for a link or read by its owner.
    if (folder.ownerId() != uint(geteuid()))
        return QStringLiteral("le dossier %1 n’appartient pas à l’utilisateur qui lance Velmaris")
            .arg(quoted(folder.filePath()));
#endif
    return {};
}

bool writeFileSafely(const QString& path, const QByteArray& bytes, QString* reason)
{
    auto fail = [&](const QString& why) {
        if (reason)
            *reason = QStringLiteral("%1 n’a pas pu être enregistré\u00a0: %2").arg(quoted(path), why);
        return false;
    };
    const QString refusal = writeRefusal(path);
    if (!refusal.isEmpty()) {
        if (reason)
            *reason = refusal;
        return false;
    }
    // Written beside the old file and swapped in: a failed write leaves it whole.
    // Unbuffered, each write reaches the system at once: a full disk is told by
    // write() itself, never lost in a flush whose failure commit() would not say.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(systemReason(errno, file));
    auto abandon = [&](int error) {
        const QString why = systemReason(error, file);
        file.cancelWriting();
        return fail(why);
    };
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush())
        return abandon(errno);
#ifdef Q_OS_UNIX
    // The bytes must be on the disk before the new file takes the old one's name.
    if (::fsync(file.handle()) != 0)
        return abandon(errno);
#endif
    errno = 0;
    if (!file.commit())
        return fail(systemReason(errno, file));
    if (const int error = syncFolderOf(path))
        return fail(QStringLiteral("le disque n’a pas confirmé le changement de nom (%1)")
                        .arg(systemReason(error, file)));
    if (reason)
        reason->clear();
    return true;
}

QString sizeText(qint64 bytes)
{
    return QStringLiteral("%1 Mio").arg(bytes / (1024 * 1024));
}

namespace {

// A chunk of an open file, straight from its descriptor where there is one:
// no copy through QIODevice's buffer, nor its code loaded for a command
// line's start. -1 on failure, with errno.
qint64 readChunk(QFile& file, char* into, qint64 size)
{
#ifdef Q_OS_UNIX
    for (;;) {
        const ssize_t n = ::read(file.handle(), into, std::size_t(size));
        if (n >= 0 || errno != EINTR)
            return qint64(n);
    }
#else
    return file.read(into, size);
#endif
}

} // namespace

FileRead readRegularFile(const QString& path, qint64 maxBytes)
{
    FileRead read;
    auto fail = [&read](FileRead::Status status, const QString& reason) {
        read.status = status;
        read.reason = reason;
        read.bytes.clear();
        return read;
    };
    // The kind is checked before opening: opening a pipe waits for a writer.
    const QFileInfo info(path);
    if (!info.exists())
        return fail(FileRead::Status::Missing, QStringLiteral("le fichier n’existe pas"));
    if (info.isDir())
        return fail(FileRead::Status::NotRegular,
                    QStringLiteral("c’est un dossier, pas un fichier"));
    if (!info.isFile())
        return fail(FileRead::Status::NotRegular,
                    QStringLiteral("ce n’est pas un fichier ordinaire"));
    if (info.size() > maxBytes)
        return fail(FileRead::Status::TooLarge,
                    QStringLiteral("le fichier dépasse %1").arg(sizeText(maxBytes)));
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return fail(
            FileRead::Status::Unreadable,
            QStringLiteral("le fichier ne peut pas être lu\u00a0: %1").arg(systemReason(errno, file)));
#ifdef Q_OS_UNIX
    // The name may have been given to something else between the two looks.
    struct stat opened;
    if (::fstat(file.handle(), &opened) != 0 || !S_ISREG(opened.st_mode))
        return fail(FileRead::Status::NotRegular,
                    QStringLiteral("ce n’est pas un fichier ordinaire"));
#endif
    // It may have grown since: never more than the limit and one chunk.
    char chunk[64 * 1024];
    for (;;) {
        errno = 0;
        const qint64 n = readChunk(file, chunk, sizeof chunk);
        if (n < 0)
            return fail(FileRead::Status::Unreadable,
                        QStringLiteral("le fichier ne peut pas être lu\u00a0: %1")
                            .arg(systemReason(errno, file)));
        if (n == 0)
            break;
        read.bytes.append(chunk, n);
        if (read.bytes.size() > maxBytes)
            return fail(FileRead::Status::TooLarge,
                        QStringLiteral("le fichier dépasse %1").arg(sizeText(maxBytes)));
    }
    return read;
}

} // namespace velmaris
