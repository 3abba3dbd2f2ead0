// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

namespace velmaris {

// One record of a CSV text and the line it starts on (1-based). Its fields
// are kept end to end in one text: a file of a hundred thousand lines is not
// two million strings.
struct CsvRecord {
    int line = 0;
    QString text;          // the fields one after the other, quotes undone
    std::vector<int> ends; // where each field ends in text

    int size() const { return int(ends.size()); }
    QString field(int i) const
    {
        const int start = i > 0 ? ends[std::size_t(i - 1)] : 0;
        return text.mid(start, ends[std::size_t(i)] - start);
    }
};

// Splits a text into records: the separator (";" as Velmaris writes, "," or a
// tab as some spreadsheets save) between fields, double quotes around a field
// that holds it, quotes ("" inside) or line breaks; lines end with \n, \r\n or
// \r. False, with the line where it opened, when a quote is never closed.
bool splitCsv(QStringView text, std::vector<CsvRecord>* records, int* openQuoteLine,
              QChar separator = u';');

// The separator of a CSV text: the first ";", "," or tab of its header line
// (no column name holds one); ";" when the line has none.
QChar csvSeparator(QStringView text);

// A field as written: between double quotes when it holds the separator, a
// comma (a spreadsheet opened on commas would split it), a quote or a line
// break. A text a spreadsheet would run as a formula ("=", "+", "-" or "@"
// first, after any apostrophes) gets an apostrophe before it, which
// csvTyped() takes away: the cell shows the text, never a result.
QString csvField(const QString& text);

// A field read back as it was typed: the apostrophe csvField() put before a
// formula-like text is taken away.
QString csvTyped(const QString& field);

// A CSV file as an import reads it before its own fields: decoded as UTF-8 (a
// byte-order mark skipped), split into records, the header's names matched,
// case and blanks aside, to the known ones. With errors ("ligne N : …") the
// file is refused whole and nothing else is set.
struct CsvSheet {
    std::vector<CsvRecord> records; // the header first
    std::vector<int> columns;       // field number of each known column, -1 when absent
    QStringList errors;

    // The field of that column, trimmed; empty when the column is absent.
    QString field(const CsvRecord& record, int column) const;
    // The field as written (addresses, notes keep their blanks).
    QString rawField(const CsvRecord& record, int column) const;
    // Why a data record cannot be read as a row: empty when it can. A record
    // of blank fields (spreadsheets leave them behind) is skipped: `skip` is set.
    QString shapeFault(const CsvRecord& record, bool* skip) const;
};
CsvSheet readCsvSheet(const QByteArray& bytes, const std::vector<QStringView>& headers,
                      const std::vector<int>& required);

// The bytes of a CSV file to import: a regular file of at most kMaxCsvBytes
// (a device, a pipe or a folder is refused unread). Nothing, with the message
// in French, when it cannot be had.
std::optional<QByteArray> readCsvFile(const QString& path, QString* error);

// "ligne 4 : reason", as every import message writes it.
QString csvLineError(int line, const QString& reason);

} // namespace velmaris
