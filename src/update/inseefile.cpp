#include "inseefile.h"

#include "datafolder.h"
#include "dates.h"
#include "indextable.h"
#include "inseezip.h"
#include "safefile.h"

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
    const InseeFile insee = readInseeFile(inseePath);
    if (!insee.ok())
        return insee.error;
    const InseeColumns columns = inseeColumns(insee, settings);
    if (!columns.error.isEmpty())
        return columns.error;

    const FileRead read = readRegularFile(indexPath, kMaxIndexFileBytes);
    if (!read.ok())
        return QStringLiteral("le fichier des indices ne peut pas être lu : ") + read.reason;
    const QByteArray& current = read.bytes;

    MergeOptions options;
    options.today = today;
    // The header names the file; a comma would cut its line in two.
    options.source = QStringLiteral("le fichier de l'Insee ")
                     + QFileInfo(inseePath).fileName().replace(u',', u' ');
    SdmxMerge merge = mergeInseeSeries(current, columns.columns, options);
    if (merge.needsConfirmation && ask && ask(correctionQuestion(merge))) {
        options.confirmCorrections = true;
        merge = mergeInseeSeries(current, columns.columns, options);
    }
    if (!merge.ok())
        return merge.error;
    if (merge.upToDate()) {
        if (summary)
            *summary = QStringLiteral("Les indices sont déjà à jour.");
        return {};
    }
    QString reason;
    if (!writeFileSafely(indexPath, merge.bytes, &reason))
        return reason + QStringLiteral(" ; le fichier des indices est resté tel qu'il était");
    if (summary)
        *summary = mergeSummary(merge);
    return {};
}

} // namespace velmaris
