#include "datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmaris {

namespace {

const QString kIndexName = QStringLiteral("VELMARIS.TXT");

QString quoted(const QString& path)
{
    return QStringLiteral("« %1 »").arg(QDir::toNativeSeparators(path));
}

QString frenchError(const QFileDevice& file)
{
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("accès refusé");
    case QFileDevice::WriteError:
    case QFileDevice::ResizeError:
        return QStringLiteral("l'écriture a échoué, le disque est peut-être plein");
    case QFileDevice::OpenError:
        return QStringLiteral("le fichier ne peut pas être créé (%1)").arg(file.errorString());
    default:
        return QStringLiteral("erreur du système (%1)").arg(file.errorString());
    }
}

} // namespace

DataFolders chooseDataFolders(const QString& commandLineFolder, const QString& programFolder,
                              const QString& userDataFolder)
{
    DataFolders folders;
    const QString shipped =
        QDir::cleanPath(programFolder + QStringLiteral("/../share/velmaris/") + kIndexName);
    // Only the shipped file tells an installed copy: a program folder that
    // happens to be writable (root, a prefix in the home folder) proves nothing.
    if (QFileInfo(shipped).isFile()) {
        folders.installed = true;
        folders.shippedIndex = shipped;
        const QString base =
            userDataFolder.isEmpty() ? QFileInfo(shipped).absolutePath() : userDataFolder;
        folders.indexFolder = folders.settingsFolder = folders.dataFolder = base;
    } else {
        folders.indexFolder = folders.settingsFolder = folders.dataFolder = programFolder;
    }
    if (!commandLineFolder.isEmpty())
        folders.indexFolder = commandLineFolder;
    return folders;
}

QString prepareDataFolders(const DataFolders& folders)
{
    if (!folders.installed || folders.dataFolder == QFileInfo(folders.shippedIndex).absolutePath())
        return {};
    if (!QDir().mkpath(folders.dataFolder))
        return QStringLiteral("le dossier de données %1 n'a pas pu être créé")
            .arg(quoted(folders.dataFolder));
    const QFileInfo target(QDir(folders.dataFolder).filePath(kIndexName));
    // The user's copy may hold downloaded quarters: never replace it. A link
    // there is left alone too; writing to it later says why it is refused.
    if (target.exists() || target.isSymLink())
        return {};
    QFile shipped(folders.shippedIndex);
    if (!shipped.open(QIODevice::ReadOnly))
        return QStringLiteral("le fichier des indices livré %1 est illisible")
            .arg(quoted(folders.shippedIndex));
    QString reason;
    writeFileSafely(target.filePath(), shipped.readAll(), &reason);
    return reason;
}

DataFolders dataFolders(const QString& commandLineFolder)
{
    DataFolders folders =
        chooseDataFolders(commandLineFolder, QCoreApplication::applicationDirPath(),
                          QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    // Without a folder of its own an installed copy still shows the shipped figures.
    if (!prepareDataFolders(folders).isEmpty() && commandLineFolder.isEmpty()
        && !QFileInfo::exists(QDir(folders.indexFolder).filePath(kIndexName)))
        folders.indexFolder = QFileInfo(folders.shippedIndex).absolutePath();
    return folders;
}

QString dataFolder()
{
    return dataFolders(QString()).dataFolder;
}

QString writeRefusal(const QString& path)
{
    const QFileInfo file(path);
    if (file.isSymLink())
        return QStringLiteral("%1 est un lien symbolique : Velmaris n'écrit pas à travers un lien")
            .arg(quoted(path));
    if (file.exists() && !file.isFile())
        return QStringLiteral("%1 n'est pas un fichier").arg(quoted(path));
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("le dossier %1 n'existe pas").arg(quoted(folder.filePath()));
#ifdef Q_OS_UNIX
    // Someone else's folder is theirs to fill, even for root: a file made
    // there could be swapped for a link or read by its owner.
    if (folder.ownerId() != uint(geteuid()))
        return QStringLiteral("le dossier %1 n'appartient pas à l'utilisateur qui lance Velmaris")
            .arg(quoted(folder.filePath()));
#endif
    return {};
}

QStringList programFiles(const DataFolders& folders)
{
    QStringList files;
    auto addMatching = [&files](const QString& folder, const QString& pattern) {
        const QDir dir(folder);
        for (const QString& name :
             dir.entryList({pattern}, QDir::Files | QDir::System | QDir::Hidden))
            files << dir.filePath(name);
    };
    addMatching(folders.indexFolder, kIndexName + u'*');
    addMatching(folders.settingsFolder, QStringLiteral("Velmaris.ini*"));
    // The register, its -wal, -shm and -journal, and every copy kept of it.
    addMatching(folders.dataFolder, QStringLiteral("Velmaris.sqlite*"));
    if (!folders.shippedIndex.isEmpty())
        files << folders.shippedIndex;
    // The names themselves, for the files that do not exist yet.
    files << QDir(folders.indexFolder).filePath(kIndexName)
          << QDir(folders.settingsFolder).filePath(QStringLiteral("Velmaris.ini"))
          << QDir(folders.dataFolder).filePath(QStringLiteral("Velmaris.sqlite"));
    files.removeDuplicates();
    return files;
}

namespace {

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a), fb(b);
    const QString ca = fa.exists() ? fa.canonicalFilePath() : fa.absoluteFilePath();
    const QString cb = fb.exists() ? fb.canonicalFilePath() : fb.absoluteFilePath();
    if (QDir::cleanPath(ca) == QDir::cleanPath(cb))
        return true;
#ifdef Q_OS_UNIX
    // A hard link has a name of its own: only the device and inode tell.
    struct stat sa, sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0
        && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
    return false;
}

} // namespace

QString outputRefusal(const QString& path, const DataFolders& folders)
{
    for (const QString& own : programFiles(folders)) {
        if (sameFile(path, own))
            return QStringLiteral("%1 est un fichier de données de Velmaris (%2) : choisissez un "
                                  "autre nom")
                .arg(quoted(path), QFileInfo(own).fileName());
    }
    return writeRefusal(path);
}

bool writeFileSafely(const QString& path, const QByteArray& bytes, QString* reason)
{
    auto fail = [&](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    const QString refusal = writeRefusal(path);
    if (!refusal.isEmpty())
        return fail(refusal);
    // Written beside the old file and swapped in: a failed write leaves it whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(QStringLiteral("%1 n'a pas pu être enregistré : %2")
                        .arg(quoted(path), frenchError(file)));
    if (reason)
        reason->clear();
    return true;
}

} // namespace velmaris
