#include "inseefile.h"

#include "datafolder.h"
#include "dates.h"
#include "indextable.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <quazip.h>
#include <quazipfile.h>

#include <algorithm>
#include <set>

namespace velmaris {

namespace {

// Nothing INSEE gives for a few series comes near this.
constexpr qint64 kMaxCsvBytes = 4 * 1024 * 1024;

// One line of semicolon-separated fields, quotes removed ("" is a quote).
QStringList fields(QStringView line)
{
    QStringList out;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"')
                field += line[++i];
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            out << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    out << field.trimmed();
    return out;
}

QString decoded(const QByteArray& bytes)
{
    // INSEE writes UTF-8; an older download or a spreadsheet's copy may be 8-bit.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

bool startsRow(const QStringList& row, QStringView name)
{
    return !row.isEmpty() && row.first().compare(name, Qt::CaseInsensitive) == 0;
}

InseeFile refused(const QString& why)
{
    InseeFile file;
    file.error = why;
    return file;
}

} // namespace

InseeFile parseInseeCsv(const QByteArray& csv)
{
    const QString text = decoded(csv);
    std::vector<QStringList> rows;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            rows.push_back(fields(line));
    }
    const auto idRow = std::find_if(rows.begin(), rows.end(),
                                    [](const QStringList& r) { return startsRow(r, u"idBank"); });
    if (idRow == rows.end())
        return refused(QStringLiteral("ce n'est pas un fichier de séries de l'Insee (il n'a pas de "
                                      "ligne « idBank »)"));
    InseeFile file;
    std::vector<int> columns; // the column of each series; the others hold codes
    for (int c = 1; c < idRow->size(); ++c) {
        if (idRow->at(c).isEmpty())
            continue;
        columns.push_back(c);
        file.series.push_back({});
        file.series.back().idBank = idRow->at(c);
    }
    if (columns.empty())
        return refused(QStringLiteral("le fichier de l'Insee ne nomme aucune série"));

    std::vector<std::set<Quarter>> seen(columns.size());
    for (const QStringList& row : rows) {
        if (startsRow(row, u"Dernière mise à jour")) {
            for (std::size_t s = 0; s < columns.size(); ++s)
                if (const auto d = parseFrenchDate(row.value(columns[s]).section(u' ', 0, 0)))
                    file.series[s].lastUpdate = *d;
            continue;
        }
        const auto quarter = Quarter::fromPeriod(row.first());
        if (!quarter) {
            // The header rows; a monthly or yearly period says what the series is not.
            static const QRegularExpression period(QStringLiteral("^\\d{4}(-.*)?$"));
            if (period.match(row.first()).hasMatch())
                return refused(QStringLiteral("la période « %1 » n'est pas un trimestre : ce n'est "
                                              "pas une série trimestrielle")
                                   .arg(row.first()));
            continue;
        }
        for (std::size_t s = 0; s < columns.size(); ++s) {
            const QString value = row.value(columns[s]);
            if (value.isEmpty())
                continue; // not published yet
            const auto number = plainDecimal(value);
            if (!number || !(*number > 0))
                return refused(QStringLiteral("la valeur « %1 » du %2 (série %3) n'est pas un "
                                              "nombre décimal")
                                   .arg(value, quarter->label(), file.series[s].idBank));
            if (!seen[s].insert(*quarter).second)
                return refused(QStringLiteral("le %1 figure deux fois dans la série %2")
                                   .arg(quarter->label(), file.series[s].idBank));
            file.series[s].observations.push_back({*quarter, value, *number});
        }
    }
    for (SdmxSeries& s : file.series) {
        std::sort(s.observations.begin(), s.observations.end(),
                  [](const auto& a, const auto& b) { return a.quarter > b.quarter; });
        if (s.observations.empty())
            return refused(QStringLiteral("la série %1 du fichier de l'Insee n'a aucune valeur")
                               .arg(s.idBank));
    }
    return file;
}

namespace {

// The CSV inside INSEE's ZIP: valeurs_trimestrielles.csv, else the one CSV.
InseeFile readZip(const QString& path)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return refused(QStringLiteral("le fichier ZIP ne s'ouvre pas (abîmé ou incomplet)"));
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
    if (chosen.isEmpty())
        return refused(QStringLiteral("le fichier ZIP ne contient pas le fichier des valeurs de "
                                      "l'Insee (valeurs_trimestrielles.csv)"));
    QuaZipFileInfo64 info;
    if (!zip.setCurrentFile(chosen) || !zip.getCurrentFileInfo(&info))
        return refused(QStringLiteral("« %1 » ne se lit pas dans le fichier ZIP").arg(chosen));
    if (info.uncompressedSize > quint64(kMaxCsvBytes))
        return refused(
            QStringLiteral("« %1 » dépasse 4 Mo : ce n'est pas une série de l'Insee").arg(chosen));
    QuaZipFile member(&zip);
    if (!member.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("« %1 » ne se lit pas dans le fichier ZIP").arg(chosen));
    // The size written in the ZIP may lie: never read more than the limit.
    const QByteArray csv = member.read(kMaxCsvBytes + 1);
    const bool complete = member.atEnd() && member.getZipError() == UNZ_OK;
    member.close();
    if (csv.size() > kMaxCsvBytes)
        return refused(
            QStringLiteral("« %1 » dépasse 4 Mo : ce n'est pas une série de l'Insee").arg(chosen));
    if (!complete || member.getZipError() != UNZ_OK)
        return refused(QStringLiteral("« %1 » est abîmé dans le fichier ZIP").arg(chosen));
    return parseInseeCsv(csv);
}

} // namespace

InseeFile readInseeFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return refused(QStringLiteral("le fichier n'existe pas"));
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
        else if (!settings.corseIdBank.isEmpty() && s.idBank == settings.corseIdBank)
            column = &out.columns.corse;
        else if (!settings.outreMerIdBank.isEmpty() && s.idBank == settings.outreMerIdBank)
            column = &out.columns.outreMer;
        if (!column) {
            out.error = QStringLiteral("la série %1 n'est pas un IRL que le fichier des indices "
                                       "tient (IRL %2, Corse %3, outre-mer %4)")
                            .arg(s.idBank, kIrlIdBank.toString(),
                                 settings.corseIdBank.isEmpty() ? QStringLiteral("aucun")
                                                                : settings.corseIdBank,
                                 settings.outreMerIdBank.isEmpty() ? QStringLiteral("aucun")
                                                                   : settings.outreMerIdBank);
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

    QFile file(indexPath);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("le fichier des indices ne peut pas être lu");
    const QByteArray current = file.read(kMaxIndexFileBytes + 1);
    file.close();

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
