// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datafolder.h"
#include "indextable.h"
#include "quarter.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

namespace velmaris {

// Whether the table is due for a fresh index file: today is on or after the
// anniversary of the fourth-newest quarter's publication. A table of fewer than
// four rows, or without that date, is never due.
bool indexTableOutOfDate(const IndexTable& table, const QDate& today);

// The address typed in the dialog as a URL to fetch: http or https with a host.
// Nothing for anything else, an empty text included.
std::optional<QUrl> downloadUrl(const QString& address);

// Why an address cannot be fetched, in French; empty when it can.
QString addressRefusal(const QString& address);

// What the server gave back.
struct DownloadReply {
    bool networkError = false; // refused, cut, timed out, aborted...
    int httpStatus = 0;        // 0 when none was received
    QByteArray body;
    // What went wrong on the network, in French (networkError), or where a
    // redirect that was not followed led (a 3xx status).
    QString errorText;
};

// Replies larger than this are not index files: the index file's own limit.
inline constexpr qint64 kMaxDownloadBytes = kMaxIndexFileBytes;

// Why a reply was kept or refused.
enum class DownloadVerdict {
    Accepted,     // adds at least one quarter to the table
    UpToDate,     // holds the table's quarters and no other: nothing to write
    NetworkError, // no complete transfer
    HttpStatus,   // not 2xx
    Empty,        // nothing in the body
    TooLarge,     // far more than any index file
    NotFound,     // a server's error page
    NotIndexFile, // does not read as an index file of four rows or more
    Older,        // lacks a quarter of the table
    ChangedValue, // gives another value for a quarter of the table
    NotEnded,     // its newest quarter has not ended by today
    BadSeries,    // an INSEE reply that cannot complete the file
    FileChanged,  // another program changed the file since it was read
};

struct DownloadAcceptance {
    DownloadVerdict verdict = DownloadVerdict::Accepted;
    std::vector<IndexRow> rows; // the new table, when accepted
    int added = 0;              // quarters it adds to the table
    QString reason;             // why it was refused, in French, without a final stop

    bool accepted() const { return verdict == DownloadVerdict::Accepted; }
};

// Whether the transfer itself gave a reply worth reading: a complete 2xx
// transfer, neither empty nor far too large. Accepted, or the verdict with
// its reason.
DownloadAcceptance checkTransfer(const DownloadReply& reply);

// Whether rows read from a reply may replace the table: they hold every
// quarter of the table with the same values (a value the table lacks may be
// filled in), add at least one quarter or value, and
// their newest quarter has ended by today.
DownloadAcceptance acceptRows(std::vector<IndexRow> rows, const IndexTable& current,
                              const QDate& today);

// Decides whether a reply in the program's own format may replace the index
// file: a transfer that passes checkTransfer, no server error page, a whole
// index file, then acceptRows. A wrong reply must never destroy a good file.
DownloadAcceptance acceptDownload(const DownloadReply& reply, const IndexTable& current,
                                  const QDate& today = QDate::currentDate());

// The bytes written to the index file for an accepted body: the body itself,
// so that the same file again reads back byte for byte.
QByteArray indexFileBytes(const QByteArray& body);

// Whether the index file changed since the table was read from it: another
// time, or other rows. onDisk and modified are the file as it is now.
bool indexFileChanged(const IndexTable& table, const QByteArray& onDisk, const QDateTime& modified);

} // namespace velmaris
