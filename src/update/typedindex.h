// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indexchange.h"
#include "quarter.h"

#include <QByteArray>
#include <QDate>
#include <QString>

namespace velmaris {

// A quarter typed by hand, as the user typed it.
struct TypedIndex {
    Quarter quarter;
    QString irl;
    QString corse;    // empty: not typed
    QString outreMer; // empty: not typed
    QString published;
};

struct TypedIndexResult {
    QByteArray bytes; // the new index file
    QString error;    // why it is refused, in French, without a final stop

    bool ok() const { return error.isEmpty(); }
};

// The quarter a user may type: the one after the newest of the file.
Quarter nextQuarterToType(const QByteArray& indexFile);

// Adds the typed quarter at the top of the index file, with a header line
// saying it was typed today, after the checks of the file's reader: the
// quarter after the newest, values that read as index values and keep
// within 25 % of the quarter before, a publication after the quarter's end
// and not before the previous one. Besides, the publication is not after
// today. Every other line stays as it was.
// A quarter the file holds, typed without its IRL, gets the regional values
// typed that its row lacks (a Corsica or overseas value the file was shipped
// without), by the same checks; a value already there is refused and named.
TypedIndexResult addTypedIndex(const QByteArray& indexFile, const TypedIndex& entry,
                               const QDate& today);

// The same on the file at path, written with the program's safe write.
// Empty when done; otherwise why not, in French, the file left as it was.
QString saveTypedIndex(const QString& path, const TypedIndex& entry, const QDate& today);
// The same where target keeps the figures (a shared register's, on a server).
QString saveTypedIndex(const IndexTarget& target, const TypedIndex& entry, const QDate& today);
// What the window and the command line say of a refusal of saveTypedIndex.
QString typedIndexRefusal(const QString& error);

} // namespace velmaris
