#include "csvtext.h"

namespace velmaris {

bool splitCsv(QStringView text, std::vector<CsvRecord>* records, int* openQuoteLine)
{
    records->clear();
    int line = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        CsvRecord record;
        record.line = line;
        QString field;
        bool endOfRecord = false;
        while (!endOfRecord) {
            field.clear();
            if (i < n && text[i] == u'"') {
                const int openedOn = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar c = text[i];
                    if (c == u'"') {
                        if (i + 1 < n && text[i + 1] == u'"') {
                            field += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (c == u'\n')
                        ++line;
                    field += c;
                    ++i;
                }
                if (!closed) {
                    records->clear();
                    *openQuoteLine = openedOn;
                    return false;
                }
                // Anything up to the next separator stays with the field.
                while (i < n && text[i] != u';' && text[i] != u'\n' && text[i] != u'\r')
                    field += text[i++];
            } else {
                const qsizetype start = i;
                while (i < n && text[i] != u';' && text[i] != u'\n' && text[i] != u'\r')
                    ++i;
                field = text.sliced(start, i - start).toString();
            }
            record.fields << field;
            if (i < n && text[i] == u';') {
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
        records->push_back(std::move(record));
    }
    return true;
}

QString csvField(const QString& text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n')
        && !text.contains(u'\r'))
        return text;
    QString escaped = text;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

} // namespace velmaris
