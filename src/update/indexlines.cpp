// SPDX-License-Identifier: GPL-3.0-or-later
#include "indexlines.h"

#include "inseesdmx.h"

#include <algorithm>

namespace velmaris {

namespace {

// Above this quarter a row holds the IRL in column 2; from it down, the ICC.
constexpr Quarter kSwitch(2005, 2);

std::vector<IndexLines::Line> splitLines(const QByteArray& bytes)
{
    std::vector<IndexLines::Line> lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        IndexLines::Line line;
        if (end < 0) {
            line.text = bytes.mid(pos);
            pos = bytes.size();
        } else {
            line.text = bytes.mid(pos, end - pos);
            line.ending = "\n";
            pos = end + 1;
        }
        if (line.text.endsWith('\r')) {
            line.text.chop(1);
            line.ending.prepend('\r');
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// The value of one column, when the record has it: empty or 0 is none,
// anything else must read as a plain decimal.
bool column(const QList<QStringView>& fields, qsizetype i, std::optional<double>& value)
{
    if (i >= fields.size() || fields[i].trimmed().isEmpty())
        return true;
    const auto read = plainDecimal(fields[i]);
    if (!read)
        return false;
    if (*read != 0)
        value = *read;
    return true;
}

} // namespace

const IndexLines::Row* IndexLines::find(Quarter q) const
{
    for (const Row& row : rows)
        if (row.quarter == q)
            return &row;
    return nullptr;
}

void IndexLines::setColumn(std::size_t line, int column, const QByteArray& value)
{
    QList<QByteArray> fields = lines[line].text.split('\t');
    while (fields.size() <= column)
        fields.append(QByteArray());
    fields[column] = value;
    lines[line].text = fields.join('\t');
}

void IndexLines::addHeaderLines(const std::vector<QString>& texts)
{
    std::vector<Line> added;
    for (const QString& text : texts)
        added.push_back({latin1Line(text), eol});
    // A header whose last line has no ending gets one before the new lines.
    if (firstData > 0 && lines[firstData - 1].ending.isEmpty())
        lines[firstData - 1].ending = eol;
    lines.insert(lines.begin() + qsizetype(firstData), added.begin(), added.end());
    for (Row& row : rows)
        row.line += added.size();
    firstData += added.size();
}

QByteArray IndexLines::bytes(const QByteArray& newRows, const QByteArray& olderRows) const
{
    QByteArray out;
    const std::size_t last = rows.empty() ? lines.size() : rows.back().line;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == firstData)
            out += newRows;
        out += lines[i].text + lines[i].ending;
        if (i == last && !olderRows.isEmpty()) {
            if (lines[i].ending.isEmpty())
                out += eol;
            out += olderRows;
        }
    }
    if (firstData >= lines.size())
        out += newRows;
    return out;
}

IndexLines scanIndexLines(const QByteArray& bytes)
{
    IndexLines file;
    file.lines = splitLines(bytes);
    file.firstData = file.lines.size();
    for (const IndexLines::Line& line : file.lines) {
        if (!line.ending.isEmpty()) {
            file.eol = line.ending;
            break;
        }
    }
    for (std::size_t i = 0; i < file.lines.size() && file.error.isEmpty(); ++i) {
        const QString text = QString::fromLatin1(file.lines[i].text);
        // A comma ends a record, even inside a comment.
        const QList<QStringView> records = QStringView(text).split(u',');
        for (QStringView record : records) {
            while (!record.isEmpty() && record.front() == u' ')
                record = record.sliced(1);
            if (record.isEmpty() || record.front() == u'\'')
                continue;
            file.firstData = std::min(file.firstData, i);
            const QList<QStringView> fields = record.split(u'\t');
            IndexLines::Row row;
            row.line = i;
            row.alone = records.size() == 1;
            const auto quarter = Quarter::fromKey(fields[0]);
            bool ok = quarter.has_value();
            if (ok) {
                row.quarter = *quarter;
                if (row.quarter > kSwitch) {
                    ok = column(fields, 1, row.irl) && column(fields, 3, row.corse)
                         && column(fields, 4, row.outreMer);
                } else {
                    ok = column(fields, 3, row.irl) && column(fields, 1, row.icc);
                }
            }
            if (!ok) {
                file.error =
                    QStringLiteral("le fichier des indices actuel a un enregistrement illisible à "
                                   "la ligne %1")
                        .arg(i + 1);
                break;
            }
            file.rows.push_back(row);
        }
    }
    return file;
}

QByteArray latin1Line(const QString& text)
{
    // A comma would cut the line into two records.
    Q_ASSERT(!text.contains(u','));
    return text.toLatin1();
}

} // namespace velmaris
