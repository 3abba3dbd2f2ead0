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

std::optional<int> quarterRank(const QString& label)
{
    static constexpr QStringView words[] = {u"1er tr.", u"2è tr.", u"3è tr.", u"4è tr."};
    int quarter = 0;
    QStringView year = label;
    for (int q = 0; q < 4; ++q) {
        if (label.startsWith(words[q])) {
            quarter = q + 1;
            year = year.sliced(words[q].size());
            break;
        }
    }
    if (year.isEmpty() || year.size() > 6)
        return std::nullopt;
    for (QChar c : year)
        if (!c.isDigit())
            return std::nullopt;
    return year.toInt() * 10 + quarter;
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
    if (!current.rows.empty()) {
        if (const auto held = quarterRank(current.rows.front().label)) {
            const auto fresh = quarterRank(parsed.rows.front().label);
            if (!fresh || *fresh < *held)
                return refuse(DownloadVerdict::Older);
        }
    }
    result.rows = std::move(parsed.rows);
    return result;
}

QByteArray indexFileBytes(const QByteArray& body)
{
    return body + "\r\n";
}

} // namespace velmaris
