// SPDX-License-Identifier: GPL-3.0-or-later
// The CSV out of INSEE's ZIP, through QuaZip.
#include "inseezip.h"

#include <QFileInfo>
#include <QStringList>

#include <quazip.h>
#include <quazipfile.h>

namespace velmaris {

namespace {

bool refuse(QString* reason, const QString& why)
{
    *reason = why;
    return false;
}

// valeurs_trimestrielles.csv, else the one CSV; empty when there is neither.
QString chosenCsv(QuaZip& zip)
{
    QStringList csvs;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        const QString name = zip.getCurrentFileName();
        if (name.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
            csvs << name;
    }
    QString chosen;
    for (const QString& name : csvs)
        if (QFileInfo(name).fileName().startsWith(QStringLiteral("valeurs_"), Qt::CaseInsensitive))
            chosen = name;
    if (chosen.isEmpty() && csvs.size() == 1)
        chosen = csvs.first();
    return chosen;
}

} // namespace

bool csvFromZip(const QString& path, qint64 limit, QByteArray* csv, QString* reason)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return refuse(reason, QStringLiteral("le fichier ZIP ne s'ouvre pas (abîmé ou incomplet)"));
    const QString chosen = chosenCsv(zip);
    if (chosen.isEmpty())
        return refuse(reason, QStringLiteral("le fichier ZIP ne contient pas le fichier des "
                                             "valeurs de l'Insee (valeurs_trimestrielles.csv)"));
    const QString tooBig =
        QStringLiteral("« %1 » dépasse 4 Mo : ce n'est pas une série de l'Insee").arg(chosen);
    QuaZipFileInfo64 info;
    if (!zip.setCurrentFile(chosen) || !zip.getCurrentFileInfo(&info))
        return refuse(reason,
                      QStringLiteral("« %1 » ne se lit pas dans le fichier ZIP").arg(chosen));
    if (info.uncompressedSize > quint64(limit))
        return refuse(reason, tooBig);
    QuaZipFile member(&zip);
    if (!member.open(QIODevice::ReadOnly))
        return refuse(reason,
                      QStringLiteral("« %1 » ne se lit pas dans le fichier ZIP").arg(chosen));
    // The size written in the ZIP may lie: never read more than the limit.
    *csv = member.read(limit + 1);
    const bool complete = member.atEnd() && member.getZipError() == UNZ_OK;
    member.close();
    if (csv->size() > limit)
        return refuse(reason, tooBig);
    if (!complete || member.getZipError() != UNZ_OK)
        return refuse(reason, QStringLiteral("« %1 » est abîmé dans le fichier ZIP").arg(chosen));
    return true;
}

} // namespace velmaris
