#include "indexfile.h"

#include "dates.h"
#include "numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace velmaris {

namespace {

// One line of the file may hold several records: a comma ends a record.
template <typename F> bool forEachRecord(QStringView line, F&& handle)
{
    qsizetype start = 0;
    while (start <= line.size()) {
        qsizetype comma = line.indexOf(u',', start);
        if (comma < 0)
            comma = line.size();
        QStringView record = line.mid(start, comma - start);
        while (!record.isEmpty() && record.front() == u' ')
            record = record.mid(1);
        if (!handle(record))
            return false;
        start = comma + 1;
    }
    return true;
}

// ICC values are whole numbers; a stored decimal is rounded half to even, and
// one that does not fit 16 bits makes the record unusable.
bool toIcc(double value, qint16* icc)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768 && rounded <= 32767))
        return false;
    *icc = qint16(rounded);
    return true;
}

bool parseRecord(QStringView record, bool& switched, IndexRow& row)
{
    const qsizetype tab1 = record.indexOf(u'\t');
    if (tab1 < 0)
        return false;
    const qsizetype tab2 = record.indexOf(u'\t', tab1 + 1);
    if (tab2 < 0)
        return false;

    const QStringView key = record.left(tab1);
    row.label = quarterLabel(key);
    if (key == u"22005")
        switched = true;

    const double column2 = parseNumber(record.mid(tab1 + 1, tab2 - tab1 - 1));
    if (switched) {
        if (!toIcc(column2, &row.icc))
            return false;
    } else {
        row.irl = column2;
        row.icc = 0;
    }

    const QStringView rest = record.mid(tab2 + 1);
    const qsizetype tab3 = rest.indexOf(u'\t');
    const auto date = parseFrenchDate(tab3 < 0 ? rest : rest.left(tab3));
    if (!date)
        return false;
    row.published = *date;
    if (switched)
        row.irl = tab3 < 0 ? 0 : parseNumber(rest.mid(tab3 + 1));
    return true;
}

void computeAverages(std::vector<IndexRow>& rows)
{
    const int last = int(rows.size()) - 1;
    if (last <= 4)
        return;
    for (int i = 0; i <= last - 3; ++i) {
        if (rows[i].icc == 0)
            continue;
        rows[i].average =
            (double(rows[i].icc) + rows[i + 1].icc + rows[i + 2].icc + rows[i + 3].icc) / 4;
    }
}

} // namespace

QString quarterLabel(QStringView key)
{
    if (key.isEmpty())
        return {};
    QString word;
    switch (key.front().unicode()) {
    case u'1':
        word = QStringLiteral("1er tr.");
        break;
    case u'2':
        word = QStringLiteral("2è tr.");
        break;
    case u'3':
        word = QStringLiteral("3è tr.");
        break;
    case u'4':
        word = QStringLiteral("4è tr.");
        break;
    default:
        break;
    }
    return word + key.mid(1).toString();
}

IndexFileResult parseIndexFile(const QByteArray& bytes)
{
    IndexFileResult result;
    std::vector<IndexRow> rows;
    bool switched = false;
    int lineNumber = 0;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            end = bytes.size();
        ++lineNumber;
        QByteArrayView raw(bytes.constData() + pos, end - pos);
        pos = end + 1;
        while (!raw.isEmpty() && (raw.back() == '\r'))
            raw.chop(1);
        // The file is 8-bit ANSI text; only digits, tabs and dates matter here.
        const QString line = QString::fromLatin1(raw);
        const bool ok = forEachRecord(line, [&](QStringView record) {
            if (record.isEmpty() || record.front() == u'\'')
                return true;
            if (int(rows.size()) >= kMaxRows)
                return false;
            IndexRow row;
            if (!parseRecord(record, switched, row))
                return false;
            rows.push_back(std::move(row));
            return true;
        });
        if (!ok) {
            result.status = IndexFileResult::Status::Corrupt;
            result.badLine = lineNumber;
            return result;
        }
    }
    computeAverages(rows);
    result.rows = std::move(rows);
    return result;
}

IndexFileResult readIndexFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        IndexFileResult missing;
        missing.status = IndexFileResult::Status::Missing;
        return missing;
    }
    return parseIndexFile(file.readAll());
}

void installRows(IndexTable& table, std::vector<IndexRow> rows, const QDateTime& fileDate)
{
    // Rents already computed stay on their row numbers until the next revision.
    const std::size_t kept = std::min(rows.size(), table.rows.size());
    for (std::size_t i = 0; i < kept; ++i)
        rows[i].rent = std::move(table.rows[i].rent);
    table.rows = std::move(rows);
    table.fileDate = fileDate;
    table.topRow = 0;
    table.referenceRow = -1;
}

IndexFileResult loadIndexTable(IndexTable& table)
{
    // Taken before reading, and kept even when the load fails, so that the
    // same broken file is not reported again at every activation.
    const QDateTime fileDate = QFileInfo(table.filePath).lastModified();
    IndexFileResult result = readIndexFile(table.filePath);
    if (result.ok())
        installRows(table, std::move(result.rows), fileDate);
    else
        table.fileDate = fileDate;
    result.rows.clear();
    return result;
}

QString resolveIndexPath(const QString& commandLineFolder, const QString& programFolder)
{
    const QString fileName = QStringLiteral("VELMARIS.TXT");
    if (commandLineFolder.isEmpty())
        return programFolder + u'/' + fileName;
    if (commandLineFolder.endsWith(u'/') || commandLineFolder.endsWith(u'\\'))
        return commandLineFolder + fileName;
    return commandLineFolder + u'/' + fileName;
}

QString loadFailureTitle(const IndexFileResult& result)
{
    return result.status == IndexFileResult::Status::Missing
               ? QStringLiteral("Installation incomplète, ou mauvais paramètres")
               : QStringLiteral("Réinstallation nécessaire");
}

QString loadFailureText(const IndexFileResult& result)
{
    if (result.status == IndexFileResult::Status::Missing)
        return QStringLiteral("Fichier des indices introuvable. (Contrôler avant réinstallation "
                              "la présence du fichier VELMARIS.TXT).");
    return QStringLiteral("Fichier des indices corrompu (ligne %1).").arg(result.badLine);
}

} // namespace velmaris
