// --copy-register: an office moves its register to the server (or takes a
// copy of the server's into a folder), whole or not at all.
#include "cli_p.h"

#include "datafolder.h"
#include "quoting.h"
#include "registerserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmaris::cli {

namespace {

// The SQLite register of the folder, the source when the copy goes to a
// server and no other is named: the settings may already name the server.
std::optional<CommandLineResult> openFileRegister(const Options& options, const QString& dataFolder,
                                                  LeaseStore& store)
{
    const QString folder = registerFolder(options, dataFolder);
    QString refusal = dataFolderRefusal(folder);
    if (refusal.isEmpty() && !QFileInfo::exists(QDir(folder).filePath(LeaseStore::fileName())))
        refusal = QStringLiteral("aucun registre des baux (%1) dans le dossier %2")
                      .arg(LeaseStore::fileName(), quotedPath(folder));
    if (!refusal.isEmpty() || !store.open(folder))
        return failure(kExitRegister, QStringLiteral("Registre des baux inaccessible : %1")
                                          .arg(refusal.isEmpty() ? store.error() : refusal));
    return std::nullopt;
}

// Removes a register file this command made and could not fill.
void removeNewFile(LeaseStore& store, const QString& path)
{
    store.close();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QString::fromLatin1(suffix));
}

} // namespace

CommandLineResult copyRegister(const Options& options, const QString& dataFolder)
{
    if (auto bad = onlyOptions(options, QStringLiteral("--copy-register"), {}))
        return *bad;
    const QString target = options.value(QStringLiteral("--copy-register"));
    LeaseStore source, copy;
    QString newFile; // the target's file, when this command creates it
    if (isServerAddress(target)) {
        QString why;
        const auto server = serverFromAddress(target, &why);
        if (!server)
            return failure(kExitBadArguments, QStringLiteral("Option --copy-register : %1. "
                                                             "(velmaris-cli --help)")
                                                  .arg(why));
        if (auto failed = options.has(QStringLiteral("--register"))
                              ? openStore(options, dataFolder, source)
                              : openFileRegister(options, dataFolder, source))
            return *failed;
        if (!copy.openServer(*server))
            return failure(kExitRegister,
                           QStringLiteral("Copie du registre impossible : %1").arg(copy.error()));
    } else {
        const QString file = QDir(target).filePath(LeaseStore::fileName());
        // A new folder is made only where the program may write.
        const QFileInfo info(target);
        QString refusal = dataFolderRefusal(info.exists() ? target : info.absolutePath());
        if (refusal.isEmpty() && QFileInfo::exists(file))
            refusal = QStringLiteral("%1 existe déjà : la copie va dans un dossier sans registre")
                          .arg(quotedPath(file));
        if (!refusal.isEmpty())
            return failure(kExitBadArguments,
                           QStringLiteral("Copie du registre impossible : %1.").arg(refusal));
        if (auto failed = openStore(options, dataFolder, source))
            return *failed;
        if (!QDir().mkpath(target) || !copy.open(target)) {
            const QString why =
                copy.error().isEmpty()
                    ? QStringLiteral("impossible de créer le dossier %1.").arg(quotedPath(target))
                    : copy.error();
            removeNewFile(copy, file);
            return failure(kExitRegister,
                           QStringLiteral("Copie du registre impossible : %1").arg(why));
        }
        newFile = file;
    }
    if (!source.copyInto(copy)) {
        const QString why = source.error();
        const bool fault = registerFault(source.errorKind());
        if (!newFile.isEmpty())
            removeNewFile(copy, newFile);
        return failure(fault ? kExitRegister : kExitRefused,
                       QStringLiteral("Copie du registre impossible : %1").arg(why));
    }
    const auto leases = copy.leases();
    CommandLineResult r;
    r.output = QStringLiteral("Registre %1 copié dans %2 : %3 bail(s), avec leur historique et "
                              "leurs loyers facturés ; les nombres de lignes concordent.\n")
                   .arg(quoted(source.path()), quoted(copy.path()))
                   .arg(leases ? qsizetype(leases->size()) : 0);
    return r;
}

} // namespace velmaris::cli
