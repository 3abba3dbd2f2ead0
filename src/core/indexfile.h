// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

namespace velmaris {

// What reading an index file gave.
struct IndexFileResult {
    enum class Status { Ok, Missing, Corrupt };
    Status status = Status::Ok;
    int badLine = 0;            // 1-based line of the first bad record; 0 for the whole file
    QString reason;             // why it is corrupt, in French, without the line number
    std::vector<IndexRow> rows; // complete table with averages (Ok only)
    QByteArray bytes;           // the file as read (readIndexFile, Ok only)
    QDateTime modified;         // its modification time just before it was read

    bool ok() const { return status == Status::Ok; }
};

// Parses the text of an index file (8-bit, tab-separated, newest first) into
// rows and computes the four-quarter averages. Every record is checked: keys,
// the order of the quarters, the values and the publication dates. The first
// fault refuses the whole file, with its line and the reason; nothing of a
// refused file is kept. A file with no quarter at all is refused too. Never throws.
IndexFileResult parseIndexFile(const QByteArray& bytes);

// Reads and parses the file at path: Missing when it does not exist, Corrupt
// when it cannot be read, is no regular file or is larger than any index file.
IndexFileResult readIndexFile(const QString& path);

// Puts freshly read rows into the table: top row goes to 0, reference row to -1.
// The file's time and bytes are kept to tell later whether it changed.
void installRows(IndexTable& table, std::vector<IndexRow> rows, const QDateTime& fileDate,
                 const QByteArray& bytes = {});

// Loads table.filePath into the table. On failure the table is left as it was
// and the status says why.
IndexFileResult loadIndexTable(IndexTable& table);

// The path of the index file: the folder given on the command line (with or
// without its trailing separator) or the program's own folder, then VELMARIS.TXT.
QString resolveIndexPath(const QString& commandLineFolder, const QString& programFolder);

// "ligne 12 : le 4è tr.2024 manque entre le 1er tr.2025 et le 3è tr.2024", or
// the reason alone when it concerns the whole file.
QString corruptionDetail(const IndexFileResult& result);

// The messages for a failed load, as (title, text), for a window.
QString loadFailureTitle(const IndexFileResult& result);
QString loadFailureText(const IndexFileResult& result);
// The same failure on one line naming the file, for the command line:
// "Fichier des indices introuvable : path", "Fichier des indices corrompu : path : detail."
QString loadFailureLine(const IndexFileResult& result, const QString& path);
QString indexMissingLine(const QString& path);

} // namespace velmaris
