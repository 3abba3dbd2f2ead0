// SPDX-License-Identifier: GPL-3.0-or-later
#include "datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmaris {

namespace {

const QString kIndexName = QStringLiteral("VELMARIS.TXT");

QString quoted(const QString& path)
{
    return QStringLiteral("«\u00a0%1\u00a0»").arg(QDir::toNativeSeparators(path));
}

// The name of the user a file belongs to, or its number when it has none.
QString ownerName(const QFileInfo& file)
{
    const QString name = file.owner();
    return name.isEmpty() ? QString::number(file.ownerId()) : name;
}

// A folder of another user is not ours to make or fill, even for root: root
// run with someone's HOME (su without -) would leave them a data folder they
// cannot write, and their register changed under another name.
QString ownerRefusal(const QFileInfo& folder)
{
#ifdef Q_OS_UNIX
    if (folder.ownerId() == uint(geteuid()))
        return {};
    return QStringLiteral("le dossier %1 appartient à %2, pas à %3 qui lance Velmaris\u00a0: il n’est "
                          "ni créé ni modifié. Lancez Velmaris sous le compte de %2 (pour root, "
                          "«\u00a0su -\u00a0» donne son propre dossier personnel)")
        .arg(quoted(folder.filePath()), ownerName(folder), accountName());
#else
    Q_UNUSED(folder);
    return {};
#endif
}

// The folder itself when it exists, or the nearest of its parents that does:
// the one a mkpath would create in.
QFileInfo nearestExisting(const QString& folder)
{
    QString path = QDir::cleanPath(QDir(folder).absolutePath());
    while (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
        const QString up = QFileInfo(path).path();
        if (up == path)
            break;
        path = up;
    }
    return QFileInfo(path);
}

} // namespace

QString dataFolderRefusal(const QString& folder)
{
    if (folder.isEmpty())
        return QStringLiteral("aucun dossier de données");
    const QFileInfo info(folder);
    if (!info.exists()) {
#ifdef Q_OS_UNIX
        // Root with a user's HOME: the folder it did not make is that user's to make.
        if (geteuid() == 0)
            if (const QFileInfo above = nearestExisting(folder); above.isDir())
                if (const QString refusal = ownerRefusal(above); !refusal.isEmpty())
                    return refusal;
#endif
        return QStringLiteral("le dossier %1 n’existe pas").arg(quoted(folder));
    }
    if (!info.isDir())
        return QStringLiteral("%1 est un fichier, pas un dossier").arg(quoted(folder));
    return ownerRefusal(info);
}

QString shippedIndexFile()
{
    return chooseDataFolders(QString(), QCoreApplication::applicationDirPath(), QString())
        .shippedIndex;
}

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
    const QFileInfo existing = nearestExisting(folders.dataFolder);
    if (!existing.isDir())
        return QStringLiteral("%1 est un fichier, pas un dossier\u00a0: le dossier de données %2 ne "
                              "peut pas y être créé")
            .arg(quoted(existing.filePath()), quoted(folders.dataFolder));
    if (const QString refusal = ownerRefusal(existing); !refusal.isEmpty())
        return refusal;
    if (!QDir().mkpath(folders.dataFolder))
        return QStringLiteral("le dossier de données %1 n’a pas pu être créé")
            .arg(quoted(folders.dataFolder));
    const QFileInfo target(QDir(folders.dataFolder).filePath(kIndexName));
    // The user's copy may hold downloaded quarters: never replace it. A link
    // there is left alone too; writing to it later says why it is refused.
    if (target.exists() || target.isSymLink())
        return {};
    const FileRead shipped = readRegularFile(folders.shippedIndex, kMaxIndexFileBytes);
    if (!shipped.ok())
        return QStringLiteral("le fichier des indices livré %1 est illisible\u00a0: %2")
            .arg(quoted(folders.shippedIndex), shipped.reason);
    QString reason;
    writeFileSafely(target.filePath(), shipped.bytes, &reason);
    return reason;
}

DataFolders dataFolders(const QString& commandLineFolder)
{
    // Only an installed copy keeps its data in the user's data folder: a
    // portable one need not ask the system where that is.
    const QString programFolder = QCoreApplication::applicationDirPath();
    DataFolders folders = chooseDataFolders(commandLineFolder, programFolder, QString());
    if (folders.installed)
        folders =
            chooseDataFolders(commandLineFolder, programFolder,
                              QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    folders.problem = prepareDataFolders(folders);
    // Without a folder of its own an installed copy still shows the shipped figures.
    if (!folders.problem.isEmpty() && commandLineFolder.isEmpty()
        && !QFileInfo::exists(indexFileIn(folders.indexFolder)))
        folders.indexFolder = QFileInfo(folders.shippedIndex).absolutePath();
    return folders;
}

QString indexFileIn(const QString& folder)
{
    if (folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder + kIndexName;
    return folder + u'/' + kIndexName;
}

QStringList programFiles(const DataFolders& folders)
{
    QStringList files;
    auto addMatching = [&files](const QString& folder, const QString& pattern) {
        if (folder.isEmpty())
            return; // unknown, not the current folder
        const QDir dir(folder);
        for (const QString& name :
             dir.entryList({pattern}, QDir::Files | QDir::System | QDir::Hidden))
            files << dir.filePath(name);
    };
    // Each folder of the program is searched for every one of its files: a
    // register's folder named on the command line may hold an index file too.
    // The register brings its -wal, -shm and -journal, and every copy kept of it.
    for (const QString& folder : {folders.indexFolder, folders.settingsFolder, folders.dataFolder})
        for (const QString& pattern : {kIndexName + u'*', QStringLiteral("Velmaris.ini*"),
                                       QStringLiteral("Velmaris.sqlite*")})
            addMatching(folder, pattern);
    if (!folders.shippedIndex.isEmpty())
        files << folders.shippedIndex;
    // The names themselves, for the files that do not exist yet.
    for (const auto& [folder, name] : {std::pair{folders.indexFolder, kIndexName},
                                       {folders.settingsFolder, QStringLiteral("Velmaris.ini")},
                                       {folders.dataFolder, QStringLiteral("Velmaris.sqlite")}})
        if (!folder.isEmpty())
            files << QDir(folder).filePath(name);
    // SQLite makes these beside the register while it is open: an export
    // written under one of those names would be taken for the register's journal.
    if (!folders.dataFolder.isEmpty())
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            files << QDir(folders.dataFolder)
                         .filePath(QStringLiteral("Velmaris.sqlite") + QLatin1String(suffix));
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

QString shippedFileRefusal(const QString& path, const QString& shipped)
{
    if (shipped.isEmpty() || !sameFile(path, shipped))
        return {};
    return QStringLiteral("%1 est le fichier des indices livré avec le programme\u00a0: il ne se "
                          "modifie pas, les indices nouveaux vont dans celui de votre dossier de "
                          "données")
        .arg(quoted(path));
}

QString outputRefusal(const QString& path, const DataFolders& folders)
{
    for (const QString& own : programFiles(folders)) {
        if (sameFile(path, own))
            return QStringLiteral("%1 est un fichier de données de Velmaris (%2)\u00a0: choisissez un "
                                  "autre nom")
                .arg(quoted(path), QFileInfo(own).fileName());
    }
    return writeRefusal(path);
}

QString accountName()
{
#ifdef Q_OS_UNIX
    if (const passwd* entry = ::getpwuid(geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(geteuid());
#else
    return {};
#endif
}

} // namespace velmaris
