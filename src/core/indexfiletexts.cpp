// SPDX-License-Identifier: GPL-3.0-or-later
// Where the index file is, and what a failed read of it says, the same in
// the window and on the command line.
#include "indexfile.h"

#include "datafolder.h"
#include "typography.h"

namespace velmaris {

QString resolveIndexPath(const QString& commandLineFolder, const QString& programFolder)
{
    return indexFileIn(commandLineFolder.isEmpty() ? programFolder : commandLineFolder);
}

QString corruptionDetail(const IndexFileResult& result)
{
    if (result.badLine <= 0)
        return result.reason;
    return QStringLiteral("ligne %1 : %2").arg(result.badLine).arg(result.reason);
}

QString loadFailureTitle(const IndexFileResult& result)
{
    return result.status == IndexFileResult::Status::Missing
               ? QStringLiteral("Installation incomplète, ou mauvais paramètres")
               : QStringLiteral("Réinstallation nécessaire");
}

namespace {

// What a failed load is called, wherever it is said.
const QString kIndexMissing = QStringLiteral("Fichier des indices introuvable");
const QString kIndexCorrupt = QStringLiteral("Fichier des indices corrompu");

} // namespace

QString loadFailureText(const IndexFileResult& result)
{
    if (result.status == IndexFileResult::Status::Missing)
        return kIndexMissing
               + QStringLiteral(". (Contrôler avant réinstallation la présence du fichier "
                                "VELMARIS.TXT).");
    return kIndexCorrupt + u'\n' + endOfSentence(corruptionDetail(result));
}

QString indexMissingLine(const QString& path)
{
    return kIndexMissing + QStringLiteral(" : ") + path;
}

QString loadFailureLine(const IndexFileResult& result, const QString& path)
{
    if (result.status == IndexFileResult::Status::Missing)
        return indexMissingLine(path);
    return kIndexCorrupt + QStringLiteral(" : %1 : ").arg(path)
           + endOfSentence(corruptionDetail(result));
}

} // namespace velmaris
