// SPDX-License-Identifier: GPL-3.0-or-later
#include "indexfiletarget.h"

#include "datafolder.h"
#include "safefile.h"

#include <QDir>

namespace velmaris {

namespace {

// A pipe or a device given as the index file is refused at once, never waited on.
std::optional<QByteArray> readIndex(const QString& path, QString* why)
{
    const FileRead read = readRegularFile(path, kMaxIndexFileBytes);
    if (read.ok())
        return read.bytes;
    *why = QStringLiteral("le fichier des indices %1 ne peut pas être lu : %2")
               .arg(QDir::toNativeSeparators(path), read.reason);
    return std::nullopt;
}

} // namespace

IndexTarget indexFileTarget(const QString& path)
{
    IndexTarget target;
    target.read = [path](QString* why) { return readIndex(path, why); };
    target.write = [path](const IndexMerge& merge, QString*) {
        QString why;
        const std::optional<QByteArray> current = readIndex(path, &why);
        if (!current)
            return why;
        const IndexChange change = merge(*current);
        if (change.refused())
            return change.refusal;
        if (change.bytes.isEmpty() || change.bytes == *current)
            return QString();
        QString reason;
        if (!writeFileSafely(path, change.bytes, &reason))
            return reason + QStringLiteral(" ; le fichier des indices est resté tel qu'il était");
        return QString();
    };
    return target;
}

} // namespace velmaris
