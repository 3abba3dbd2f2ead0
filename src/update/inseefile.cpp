// SPDX-License-Identifier: GPL-3.0-or-later
#include "inseefile.h"

#include "dates.h"
#include "indexfiletarget.h"
#include "indextable.h"
#include "inseezip.h"

#include <QFile>
#include <QFileInfo>

namespace velmaris {

namespace {

// Nothing INSEE gives for a few series comes near this.
constexpr qint64 kMaxCsvBytes = 4 * 1024 * 1024;

InseeFile refused(const QString& why)
{
    InseeFile file;
    file.error = why;
    return file;
}

} // namespace

namespace {

// The CSV inside INSEE's ZIP.
InseeFile readZip(const QString& path)
{
    QString why;
    QByteArray csv;
    if (!csvFromZip(path, kMaxCsvBytes, &csv, &why))
        return refused(why);
    return parseInseeCsv(csv);
}

} // namespace

InseeFile readInseeFile(const QString& path)
{
    // Looked at before it is opened: a pipe would block the opening itself.
    const QFileInfo info(path);
    if (!info.exists())
        return refused(QStringLiteral("le fichier n'existe pas"));
    if (!info.isFile())
        return refused(QStringLiteral("ce n'est pas un fichier ordinaire"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("le fichier ne peut pas être lu"));
    const QByteArray head = file.peek(4);
    if (head == QByteArray("PK\x03\x04", 4)) {
        file.close();
        return readZip(path);
    }
    const QByteArray csv = file.read(kMaxCsvBytes + 1);
    if (csv.size() > kMaxCsvBytes)
        return refused(
            QStringLiteral("le fichier dépasse 4 Mo : ce n'est pas une série de l'Insee"));
    return parseInseeCsv(csv);
}

InseeColumns inseeColumns(const InseeFile& file, const UpdateSettings& settings)
{
    InseeColumns out;
    for (const SdmxSeries& s : file.series) {
        const SdmxSeries** column = nullptr;
        if (s.idBank == kIrlIdBank)
            column = &out.columns.irl;
        else if (s.idBank == kIccIdBank)
            column = &out.columns.icc;
        else if (!settings.corseIdBank.isEmpty() && s.idBank == settings.corseIdBank)
            column = &out.columns.corse;
        else if (!settings.outreMerIdBank.isEmpty() && s.idBank == settings.outreMerIdBank)
            column = &out.columns.outreMer;
        if (!column) {
            out.error = QStringLiteral("la série %1 n'est pas un indice que le fichier des "
                                       "indices tient (ICC %5, IRL %2, Corse %3, outre-mer %4)")
                            .arg(s.idBank, kIrlIdBank.toString(),
                                 settings.corseIdBank.isEmpty() ? QStringLiteral("aucun")
                                                                : settings.corseIdBank,
                                 settings.outreMerIdBank.isEmpty() ? QStringLiteral("aucun")
                                                                   : settings.outreMerIdBank,
                                 kIccIdBank.toString());
            return out;
        }
        if (*column) {
            out.error = QStringLiteral("la série %1 figure deux fois").arg(s.idBank);
            return out;
        }
        *column = &s;
    }
    return out;
}

QString importInseeFile(const QString& indexPath, const QString& inseePath,
                        const UpdateSettings& settings, const QDate& today,
                        const std::function<bool(const QString&)>& ask, QString* summary)
{
    return importInseeFile(indexFileTarget(indexPath), inseePath, settings, today, ask, summary);
}

QString importInseeFile(const IndexTarget& target, const QString& inseePath,
                        const UpdateSettings& settings, const QDate& today,
                        const std::function<bool(const QString&)>& ask, QString* summary)
{
    const InseeFile insee = readInseeFile(inseePath);
    if (!insee.ok())
        return insee.error;
    const InseeColumns columns = inseeColumns(insee, settings);
    if (!columns.error.isEmpty())
        return columns.error;

    QString why;
    const std::optional<QByteArray> current = target.read(&why);
    if (!current)
        return why;

    MergeOptions options;
    options.today = today;
    // The header names the file; a comma would cut its line in two.
    options.source = QStringLiteral("le fichier de l'Insee ")
                     + QFileInfo(inseePath).fileName().replace(u',', u' ');
    // Asked before anything is written: nothing waits on the user's answer.
    const SdmxMerge first = mergeInseeSeries(*current, columns.columns, options);
    if (first.needsConfirmation && ask && ask(correctionQuestion(first)))
        options.confirmCorrections = true;
    else if (!first.ok())
        return first.error;
    if (first.upToDate()) {
        if (summary)
            *summary = QStringLiteral("Les indices sont déjà à jour.");
        return {};
    }
    // Merged again with the figures as they are when written: what another
    // desk added meanwhile is completed, never written over.
    SdmxMerge merge;
    QString notice;
    const QString error = target.write(
        [&](const QByteArray& now) {
            merge = mergeInseeSeries(now, columns.columns, options);
            IndexChange change;
            change.bytes = merge.bytes;
            change.refusal = merge.error;
            return change;
        },
        &notice);
    if (!error.isEmpty())
        return error;
    if (summary)
        *summary = (merge.upToDate() ? QStringLiteral("Les indices sont déjà à jour.")
                                     : mergeSummary(merge))
                   + (notice.isEmpty() ? QString() : u' ' + notice);
    return {};
}

} // namespace velmaris
