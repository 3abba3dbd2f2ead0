// SPDX-License-Identifier: GPL-3.0-or-later
// --copy-register: an office moves its register to the server (or takes a
// copy of the server's into a folder), whole or not at all.
#include "cli_p.h"
#include "typography.h"

#include "datafolder.h"
#include "quoting.h"
#include "registerserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>

#include <unistd.h>

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
        return failure(kExitRegister, QStringLiteral("Registre des baux inaccessible\u00a0: %1")
                                          .arg(refusal.isEmpty() ? store.error() : refusal));
    return std::nullopt;
}

// Removes a register file this command made and could not fill, and the
// folder it was built in.
void removeNewFile(LeaseStore& store, const QString& path)
{
    store.close();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QString::fromLatin1(suffix));
    QDir().rmdir(QFileInfo(path).absolutePath());
}

// What a copy killed before its end left in target: its building folder, once
// the process that made it is gone.
void removeLeftCopies(const QString& target)
{
    static const QRegularExpression name(QStringLiteral(R"(^\.copie-en-cours-(\d+)-[0-9a-f]+$)"));
    for (const QFileInfo& entry :
         QDir(target).entryInfoList({QStringLiteral(".copie-en-cours-*")},
                                    QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = name.match(entry.fileName());
        if (!m.hasMatch() || entry.isSymLink() || entry.ownerId() != uint(geteuid()))
            continue;
        const pid_t pid = pid_t(m.captured(1).toLongLong());
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            QDir(entry.filePath()).removeRecursively();
    }
}

// Gives the register built in its own folder the register's name in target,
// never over a file there; the building folder goes.
bool placeCopy(LeaseStore& copy, const QString& built, const QString& file, QString* why)
{
    copy.close();
    const bool placed =
        ::link(QFile::encodeName(built).constData(), QFile::encodeName(file).constData()) == 0;
    if (!placed)
        *why = errno == EEXIST
                   ? QStringLiteral("%1 existe déjà\u00a0: la copie va dans un dossier sans registre.")
                         .arg(quotedPath(file))
                   : QStringLiteral("le registre copié ne peut pas prendre le nom %1.")
                         .arg(quotedPath(file));
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(built + QString::fromLatin1(suffix));
    QDir().rmdir(QFileInfo(built).absolutePath());
    return placed;
}

} // namespace

CommandLineResult copyRegister(const Options& options, const QString& dataFolder)
{
    if (auto bad = onlyOptions(options, QStringLiteral("--copy-register"), {}))
        return *bad;
    const QString target = options.value(QStringLiteral("--copy-register"));
    LeaseStore source, copy;
    QString newFile;  // the target's file, when this command creates it
    QString placedAs; // the name it takes once whole, when it is built aside
    if (isServerAddress(target)) {
        QString why;
        const auto server = serverFromAddress(target, &why);
        if (!server)
            return failure(kExitBadArguments, QStringLiteral("Option --copy-register\u00a0: %1. "
                                                             "(velmaris-cli --help)")
                                                  .arg(why));
        if (auto failed = options.has(QStringLiteral("--register"))
                              ? openStore(options, dataFolder, source)
                              : openFileRegister(options, dataFolder, source))
            return *failed;
        if (!copy.openServer(*server))
            return failure(kExitRegister,
                           QStringLiteral("Copie du registre impossible\u00a0: %1").arg(copy.error()));
    } else {
        const QString file = QDir(target).filePath(LeaseStore::fileName());
        // A new folder is made only where the program may write.
        const QFileInfo info(target);
        QString refusal = dataFolderRefusal(info.exists() ? target : info.absolutePath());
        if (refusal.isEmpty() && QFileInfo::exists(file))
            refusal = QStringLiteral("%1 existe déjà\u00a0: la copie va dans un dossier sans registre")
                          .arg(quotedPath(file));
        if (!refusal.isEmpty())
            return failure(kExitBadArguments,
                           QStringLiteral("Copie du registre impossible\u00a0: %1.").arg(refusal));
        if (auto failed = openStore(options, dataFolder, source))
            return *failed;
        // Built in a folder of its own, the register takes its name in target
        // only once whole and counted: a copy cut short leaves no register.
        removeLeftCopies(target);
        const QString building = QDir(target).filePath(
            QStringLiteral(".copie-en-cours-%1-%2")
                .arg(QCoreApplication::applicationPid())
                .arg(QRandomGenerator::system()->generate64(), 16, 16, QChar(u'0')));
        if (!QDir().mkpath(target) || !QDir().mkdir(building) || !copy.open(building)) {
            const QString why =
                copy.error().isEmpty()
                    ? QStringLiteral("impossible de créer le dossier %1.").arg(quotedPath(target))
                    : copy.error();
            removeNewFile(copy, QDir(building).filePath(LeaseStore::fileName()));
            return failure(kExitRegister,
                           QStringLiteral("Copie du registre impossible\u00a0: %1").arg(why));
        }
        newFile = copy.path();
        placedAs = file;
    }
    if (!source.copyInto(copy)) {
        const QString why = source.error();
        const bool fault = registerFault(source.errorKind());
        if (!newFile.isEmpty())
            removeNewFile(copy, newFile);
        return failure(fault ? kExitRegister : kExitRefused,
                       QStringLiteral("Copie du registre impossible\u00a0: %1").arg(why));
    }
    const auto leases = copy.leases();
    const QString copied = placedAs.isEmpty() ? copy.path() : placedAs;
    if (!placedAs.isEmpty()) {
        QString why;
        if (!placeCopy(copy, newFile, placedAs, &why))
            return failure(kExitRegister,
                           QStringLiteral("Copie du registre impossible\u00a0: %1").arg(why));
    }
    CommandLineResult r;
    r.output = QStringLiteral("Registre %1 copié dans %2\u00a0: %3, avec leur historique et "
                              "leurs loyers facturés\u00a0; les nombres de lignes concordent.\n")
                   .arg(quoted(source.path()), quoted(copied),
                        countOf(leases ? qsizetype(leases->size()) : 0, u"bail", u"baux"));
    return r;
}

} // namespace velmaris::cli
