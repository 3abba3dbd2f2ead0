#pragma once

#include "indextable.h"

#include <QByteArray>
#include <QDate>
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

// What the server gave back.
struct DownloadReply {
    bool networkError = false; // refused, cut, timed out, aborted...
    int httpStatus = 0;        // 0 when none was received
    QByteArray body;
};

// Replies larger than this are not index files.
inline constexpr qint64 kMaxDownloadBytes = 4 * 1024 * 1024;

// Why a reply was kept or refused.
enum class DownloadVerdict {
    Accepted,
    NetworkError, // no complete transfer
    HttpStatus,   // not 2xx
    Empty,        // nothing in the body
    TooLarge,     // far more than any index file
    NotFound,     // a server's error page
    NotIndexFile, // does not read as an index file of four rows or more
    Older,        // older than the table already loaded
};

struct DownloadAcceptance {
    DownloadVerdict verdict = DownloadVerdict::Accepted;
    std::vector<IndexRow> rows; // the new table, when accepted

    bool accepted() const { return verdict == DownloadVerdict::Accepted; }
};

// Decides whether a reply may replace the index file. Only a complete 2xx
// transfer of a whole index file, no older than the current table, may: a
// wrong reply must never destroy a good file.
DownloadAcceptance acceptDownload(const DownloadReply& reply, const IndexTable& current);

// The bytes written to the index file for an accepted body.
QByteArray indexFileBytes(const QByteArray& body);

} // namespace velmaris
