// SPDX-License-Identifier: GPL-3.0-or-later
#include "indexrestore.h"

#include "datafolder.h"
#include "indexfile.h"
#include "safefile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace velmaris {

namespace {

QString quoted(const QString& path)
{
    return QStringLiteral("«\u00a0%1\u00a0»").arg(QDir::toNativeSeparators(path));
}

// A path as a POSIX shell reads it back whatever it holds.
QString shellQuoted(const QString& path)
{
    QString text = path;
    text.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + text + u'\'';
}

} // namespace

bool canPutBackShippedIndex(const QString& shipped, const QString& path)
{
    const QFileInfo from(shipped);
    if (shipped.isEmpty() || !from.isFile())
        return false;
    const QFileInfo to(path);
    const QString target = to.exists() ? to.canonicalFilePath() : to.absoluteFilePath();
    return from.canonicalFilePath() != target;
}

QString putBackShippedIndex(const QString& shipped, const QString& path)
{
    if (!canPutBackShippedIndex(shipped, path))
        return QStringLiteral("aucun autre fichier des indices n’est livré avec cette copie de "
                              "Velmaris");
    // The shipped copy must itself read as a table, or nothing is replaced.
    const IndexFileResult fresh = readIndexFile(shipped);
    if (!fresh.ok())
        return QStringLiteral("le fichier livré %1 est lui-même illisible\u00a0: %2")
            .arg(quoted(shipped), corruptionDetail(fresh));
    // Nothing is kept aside for a write that would be refused anyway.
    if (const QString refusal = writeRefusal(path); !refusal.isEmpty())
        return refusal;
    const FileRead current = readRegularFile(path, kMaxIndexFileBytes);
    if (current.ok() && !current.bytes.isEmpty()) {
        const QString kept =
            path + QStringLiteral(".corrompu-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString reason;
        if (!writeFileSafely(kept, current.bytes, &reason))
            return QStringLiteral("le fichier actuel n’a pas pu être gardé de côté\u00a0: %1")
                .arg(reason);
    }
    QString reason;
    if (!writeFileSafely(path, fresh.bytes, &reason))
        return reason;
    return {};
}

QString putBackAdvice(const QString& shipped, const QString& path)
{
    if (!canPutBackShippedIndex(shipped, path))
        return QStringLiteral("Remettez à sa place un fichier des indices valide (celui livré "
                              "avec Velmaris, par exemple).");
    return QStringLiteral("Pour remettre le fichier livré avec Velmaris\u00a0: cp %1 %2 (ou ouvrez la "
                          "fenêtre de Velmaris, qui propose de le remettre).")
        .arg(shellQuoted(QDir::toNativeSeparators(shipped)),
             shellQuoted(QDir::toNativeSeparators(path)));
}

} // namespace velmaris
