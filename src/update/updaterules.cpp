#include "updaterules.h"

#include "dates.h"
#include "indexfile.h"

namespace velmaris {

bool indexTableOutOfDate(const IndexTable& table, const QDate& today)
{
    if (!table.hasRow(3))
        return false;
    const QDate published = table.rows[3].published;
    if (!published.isValid())
        return false;
    return today >= sameDayNextYear(published);
}

std::optional<QUrl> downloadUrl(const QString& address)
{
    const QUrl url(address.trimmed(), QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    if (url.scheme() != u"http" && url.scheme() != u"https")
        return std::nullopt;
    return url;
}

DownloadAcceptance acceptDownload(const DownloadReply& reply, const IndexTable& current)
{
    DownloadAcceptance result;
    auto refuse = [&](DownloadVerdict why) {
        result.verdict = why;
        return result;
    };
    if (reply.networkError)
        return refuse(DownloadVerdict::NetworkError);
    if (reply.httpStatus < 200 || reply.httpStatus > 299)
        return refuse(DownloadVerdict::HttpStatus);
    if (reply.body.isEmpty())
        return refuse(DownloadVerdict::Empty);
    if (reply.body.size() > kMaxDownloadBytes)
        return refuse(DownloadVerdict::TooLarge);
    if (reply.body.contains("Not Found"))
        return refuse(DownloadVerdict::NotFound);

    // An HTML error page, a captive portal or a proxy's page fail here.
    IndexFileResult parsed = parseIndexFile(reply.body);
    if (!parsed.ok() || parsed.rows.size() < 4)
        return refuse(DownloadVerdict::NotIndexFile);

    // A stale copy on the server must not roll the table back.
    if (!current.rows.empty() && parsed.rows.front().quarter < current.newestQuarter())
        return refuse(DownloadVerdict::Older);
    result.rows = std::move(parsed.rows);
    return result;
}

QByteArray indexFileBytes(const QByteArray& body)
{
    return body + "\r\n";
}

} // namespace velmaris
