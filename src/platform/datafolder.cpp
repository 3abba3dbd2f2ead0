#include "datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmaris {

namespace {

const QString kIndexName = QStringLiteral("VELMARIS.TXT");

} // namespace

bool folderWritable(const QString& folder)
{
    // QFileInfo::isWritable reads the mode bits only; a read-only mount or an
    // ACL can still refuse, so try a real file.
    QFile probe(QDir(folder).filePath(QStringLiteral(".velmaris-write-test")));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

namespace {

// The shipped index file of an installed copy, or the one beside the program.
QString shippedIndexFile(const QString& programFolder)
{
    const QString installed =
        QDir(programFolder).filePath(QStringLiteral("../share/velmaris/") + kIndexName);
    if (QFileInfo::exists(installed))
        return installed;
    return QDir(programFolder).filePath(kIndexName);
}

} // namespace

DataFolders chooseDataFolders(const QString& commandLineFolder, const QString& programFolder,
                              bool programFolderWritable, const QString& userDataFolder)
{
    DataFolders folders{programFolder, programFolder};
    if (!programFolderWritable && !userDataFolder.isEmpty() && QDir().mkpath(userDataFolder)) {
        folders = {userDataFolder, userDataFolder};
        const QString target = QDir(userDataFolder).filePath(kIndexName);
        if (!QFileInfo::exists(target)) {
            const QString source = shippedIndexFile(programFolder);
            if (QFile::copy(source, target))
                QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                             | QFile::ReadOther);
        }
    }
    if (!commandLineFolder.isEmpty())
        folders.indexFolder = commandLineFolder;
    return folders;
}

DataFolders dataFolders(const QString& commandLineFolder)
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return chooseDataFolders(commandLineFolder, programFolder, folderWritable(programFolder),
                             QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

} // namespace velmaris
