// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "quarter.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace velmaris {

// The index file as lines, for the changes that must leave every other byte
// as it was: rows added at the top, a column filled in, a header line added.
struct IndexLines {
    struct Line {
        QByteArray text; // without its line ending
        QByteArray ending;
    };
    // One record of the file, with the values the merge compares.
    struct Row {
        Quarter quarter;
        std::size_t line = 0; // 0-based
        bool alone = true;    // the only record of its line: it may be rewritten
        std::optional<double> irl, corse, outreMer;
        std::optional<double> icc; // from the 2nd quarter 2005 down
    };

    std::vector<Line> lines;
    std::size_t firstData = 0; // the first line holding a record; lines.size() when none
    QByteArray eol = "\r\n";   // the file's own line ending
    std::vector<Row> rows;     // in file order, newest first
    QString error;             // a record that does not read, in French

    const Row* find(Quarter q) const;
    Quarter newest() const { return rows.empty() ? Quarter() : rows.front().quarter; }
    Quarter oldest() const { return rows.empty() ? Quarter() : rows.back().quarter; }

    // Sets a tab-separated column (0-based) of a line, adding empty ones before it.
    void setColumn(std::size_t line, int column, const QByteArray& value);
    // Adds header lines after the existing header, before the first record.
    void addHeaderLines(const std::vector<QString>& texts);
    // The file again, with rows (already ended lines) put before the first
    // record, and olderRows after the last one.
    QByteArray bytes(const QByteArray& newRows = {}, const QByteArray& olderRows = {}) const;
};

// Reads the lines and the records of an index file that parseIndexFile() took.
IndexLines scanIndexLines(const QByteArray& bytes);

// A line of the file from its text: Latin-1, as the file is 8-bit.
QByteArray latin1Line(const QString& text);

} // namespace velmaris
