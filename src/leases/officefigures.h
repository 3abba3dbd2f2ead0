// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indexchange.h"
#include "indextable.h"
#include "leasestore.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>
#include <optional>

namespace velmaris {

// A desk of a server register computes from the register's index figures; its
// own index file (the table's filePath) is their copy, for the calculator and
// for a start without the server.
struct OfficeFigures {
    bool taken = false; // the table holds the register's figures; false: it holds none
    qint64 version = 0; // the version of the register's figures the table holds
    QString summary;    // what the desk's file gave the register, one French sentence
    QString notice;     // what went wrong and what was done about it, French sentences
};

// The rule that completes the office's figures with what a desk's own file
// holds besides them (mergeDeskIndex).
using DeskMerge = std::function<IndexChange(const QByteArray& office, const QByteArray& desk,
                                            const QDate& today)>;

// At the opening of a server register, or when the desk's own file changed:
// in one transaction that file seeds the register's figures when there are
// none yet, or completes them by mergeDesk; then the register's figures go to
// the table and, as their copy, to the desk's file. What the register does
// not take of the desk's file (a changed past value, a desk that may only
// read) is said, and that file is kept beside under a dated name
// (VELMARIS.TXT.poste-AAAAMMJJ-hhmmss) before the copy replaces it. Nothing
// when the register failed (store.error()).
std::optional<OfficeFigures> takeOfficeFigures(LeaseStore& store, IndexTable& table,
                                               const DeskMerge& mergeDesk,
                                               const QDate& today = QDate::currentDate());

// After another desk's commit: the figures read again, into the table and the
// desk's copy, only when their version is not the one held.
std::optional<OfficeFigures> followOfficeFigures(LeaseStore& store, IndexTable& table, qint64 held);

// Where a change of the figures goes on a server register: the register's
// figures, in one transaction, then the table and the desk's copy. *version
// (when given) follows what was written.
IndexTarget officeTarget(LeaseStore& store, IndexTable& table, qint64* version = nullptr);

} // namespace velmaris
