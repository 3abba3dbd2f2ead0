// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvtext.h"

#include "leasecsv.h"
#include "quoting.h"
#include "safefile.h"

#include <QDir>

#include <QStringDecoder>

#include <optional>

namespace velmaris {

bool splitCsv(QStringView text, std::vector<CsvRecord>* records, int* openQuoteLine,
              QChar separator)
{
    records->clear();
    int line = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        CsvRecord record;
        record.line = line;
        bool endOfRecord = false;
        while (!endOfRecord) {
            if (i < n && text[i] == u'"') {
                const int openedOn = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar c = text[i];
                    if (c == u'"') {
                        if (i + 1 < n && text[i + 1] == u'"') {
                            record.text += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (c == u'\n')
                        ++line;
                    record.text += c;
                    ++i;
                }
                if (!closed) {
                    records->clear();
                    *openQuoteLine = openedOn;
                    return false;
                }
                // Anything up to the next separator stays with the field.
                while (i < n && text[i] != separator && text[i] != u'\n' && text[i] != u'\r')
                    record.text += text[i++];
            } else {
                const qsizetype start = i;
                while (i < n && text[i] != separator && text[i] != u'\n' && text[i] != u'\r')
                    ++i;
                record.text += text.sliced(start, i - start);
            }
            record.ends.push_back(int(record.text.size()));
            if (i < n && text[i] == separator) {
                ++i;
                continue;
            }
            // End of line: \n, \r\n or a lone \r; or end of text.
            if (i < n && text[i] == u'\r')
                ++i;
            if (i < n && text[i] == u'\n')
                ++i;
            ++line;
            endOfRecord = true;
        }
        record.text.squeeze();
        record.ends.shrink_to_fit();
        records->push_back(std::move(record));
    }
    return true;
}

namespace {

// "=SOMME(A1)", "'=SOMME(A1)", "-5", "@x": what a spreadsheet runs, or what
// csvField() made of it.
bool formulaLike(QStringView text)
{
    while (text.startsWith(u'\''))
        text = text.sliced(1);
    return !text.isEmpty()
           && (text[0] == u'=' || text[0] == u'+' || text[0] == u'-' || text[0] == u'@');
}

} // namespace

QChar csvSeparator(QStringView text)
{
    bool quoted = false;
    for (QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u';' || c == u',' || c == u'\t'))
            return c;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
    }
    return u';';
}

QString csvField(const QString& text)
{
    const QString cell = formulaLike(text) ? u'\'' + text : text;
    if (!cell.contains(u';') && !cell.contains(u',') && !cell.contains(u'"')
        && !cell.contains(u'\n') && !cell.contains(u'\r'))
        return cell;
    QString escaped = cell;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

QString csvTyped(const QString& field)
{
    return field.startsWith(u'\'') && formulaLike(field) ? field.mid(1) : field;
}

namespace {

// The text decoded, or the line of the first byte that is not UTF-8.
std::optional<QString> decodeUtf8(const QByteArray& bytes, int* badLine)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (!decoder.hasError())
        return text;
    *badLine = 1;
    for (const QByteArray& line : bytes.split('\n')) {
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(lineDecoder(line));
        if (lineDecoder.hasError())
            break;
        ++*badLine;
    }
    return std::nullopt;
}

} // namespace

QString csvLineError(int line, const QString& reason)
{
    return QStringLiteral("ligne %1\u00a0: ").arg(line) + reason;
}

CsvSheet readCsvSheet(const QByteArray& bytes, const std::vector<QStringView>& headers,
                      const std::vector<int>& required)
{
    CsvSheet sheet;
    int badLine = 0;
    const std::optional<QString> decoded = decodeUtf8(bytes, &badLine);
    if (!decoded) {
        sheet.errors << csvLineError(badLine, QStringLiteral("le fichier n’est pas en UTF-8 "
                                                             "(enregistrez-le au format «\u00a0CSV "
                                                             "UTF-8\u00a0»)"));
        return sheet;
    }
    QStringView text = *decoded;
    if (text.startsWith(QChar(0xFEFF)))
        text = text.sliced(1);
    if (int openedOn = 0; !splitCsv(text, &sheet.records, &openedOn, csvSeparator(text))) {
        sheet.errors << csvLineError(openedOn, QStringLiteral("guillemet non fermé"));
        sheet.records.clear();
        return sheet;
    }
    if (sheet.records.empty()) {
        sheet.errors << QStringLiteral("fichier vide\u00a0: la ligne d’en-tête manque");
        return sheet;
    }

    // The header names the columns; their order is free.
    sheet.columns.assign(headers.size(), -1);
    const CsvRecord& header = sheet.records.front();
    for (int i = 0; i < header.size(); ++i) {
        const QString name = header.field(i).trimmed().toLower();
        int column = -1;
        for (int c = 0; c < int(headers.size()); ++c) {
            if (name == headers[std::size_t(c)])
                column = c;
        }
        if (column < 0)
            sheet.errors << csvLineError(header.line,
                                         QStringLiteral("colonne inconnue ") + quoted(name));
        else if (sheet.columns[std::size_t(column)] >= 0)
            sheet.errors << csvLineError(header.line,
                                         QStringLiteral("colonne en double ") + quoted(name));
        else
            sheet.columns[std::size_t(column)] = i;
    }
    for (int c : required) {
        if (sheet.columns[std::size_t(c)] < 0)
            sheet.errors << csvLineError(header.line, QStringLiteral("colonne manquante ")
                                                          + quoted(headers[std::size_t(c)]));
    }
    return sheet;
}

QString CsvSheet::rawField(const CsvRecord& record, int column) const
{
    const int at = columns[std::size_t(column)];
    return at >= 0 ? csvTyped(record.field(at)) : QString();
}

std::optional<QByteArray> readCsvFile(const QString& path, QString* error)
{
    FileRead read = readRegularFile(path, kMaxCsvBytes);
    if (!read.ok()) {
        if (error)
            *error = QStringLiteral("Impossible de lire le fichier %1\u00a0: %2.")
                         .arg(quoted(QDir::toNativeSeparators(path)), read.reason);
        return std::nullopt;
    }
    return std::move(read.bytes);
}

QString CsvSheet::field(const CsvRecord& record, int column) const
{
    return rawField(record, column).trimmed();
}

QString CsvSheet::shapeFault(const CsvRecord& record, bool* skip) const
{
    const bool blank = record.text.trimmed().isEmpty();
    *skip = blank;
    const int width = records.front().size();
    if (blank || record.size() == width)
        return {};
    return csvLineError(record.line,
                        QStringLiteral("%1 champs au lieu de %2").arg(record.size()).arg(width));
}

} // namespace velmaris
