#pragma once

#include "indextable.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace velmaris {

// What reading an index file gave.
struct IndexFileResult {
    enum class Status { Ok, Missing, Corrupt };
    Status status = Status::Ok;
    int badLine = 0;            // 1-based line of the first bad record (Corrupt)
    std::vector<IndexRow> rows; // complete table with averages (Ok only)

    bool ok() const { return status == Status::Ok; }
};

// "22005" -> "2è tr.2005", "12019" -> "1er tr.2019", "92019" -> "2019".
QString quarterLabel(QStringView key);

// Parses the text of an index file (8-bit, tab-separated, newest first) into
// rows and computes the four-quarter averages. Never throws; a record that
// cannot become a row gives Corrupt with its line number and no rows.
IndexFileResult parseIndexFile(const QByteArray& bytes);

// Reads and parses the file at path; Missing when it cannot be opened.
IndexFileResult readIndexFile(const QString& path);

// Puts freshly read rows into the table: rents computed on the same row numbers
// stay, top row goes to 0, reference row to -1. fileDate is stored as given.
void installRows(IndexTable& table, std::vector<IndexRow> rows, const QDateTime& fileDate);

// Loads table.filePath into the table. On failure the table is left as it was
// and the status says why.
IndexFileResult loadIndexTable(IndexTable& table);

// The path of the index file: the folder given on the command line (with or
// without its trailing separator) or the program's own folder, then VELMARIS.TXT.
QString resolveIndexPath(const QString& commandLineFolder, const QString& programFolder);

// The messages for a failed load, as (title, text).
QString loadFailureTitle(const IndexFileResult& result);
QString loadFailureText(const IndexFileResult& result);

} // namespace velmaris
