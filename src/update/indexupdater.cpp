#include "indexupdater.h"

#include "cursor.h"
#include "indexfile.h"
#include "network.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace velmaris {

IndexUpdater::IndexUpdater(IndexTable& table, QObject* parent)
    : QObject(parent)
    , m_table(table)
    , m_network(new QNetworkAccessManager(this))
    , m_connectionTest(&networkConnected)
{
}

IndexUpdater::~IndexUpdater()
{
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

bool IndexUpdater::isRunning() const
{
    return m_reply != nullptr;
}

void IndexUpdater::setTimeout(int milliseconds)
{
    m_timeoutMs = milliseconds;
}

void IndexUpdater::setConnectionTest(std::function<bool()> test)
{
    m_connectionTest = std::move(test);
}

bool IndexUpdater::download(const QString& address, bool testConnection)
{
    // Two downloads must never race to write the file.
    if (isRunning())
        return false;
    if (testConnection && m_connectionTest && !m_connectionTest())
        return false;
    const auto url = downloadUrl(address);
    if (!url)
        return false;

    QNetworkRequest request(*url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Mozilla"));
    // Always the server's own copy, never one kept by a cache on the way.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(m_timeoutMs);

    m_busy = std::make_unique<BusyCursor>();
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (received > kMaxDownloadBytes && m_reply)
            m_reply->abort();
    });
    connect(m_reply, &QNetworkReply::finished, this, &IndexUpdater::replyFinished);
    return true;
}

void IndexUpdater::replyFinished()
{
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    m_busy.reset();
    if (!reply)
        return;
    reply->deleteLater();

    DownloadReply got;
    got.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A 404 or a 500 shows as an error too; what counts as a network error is a
    // transfer that did not complete: no status at all, or a 2xx cut short.
    const bool success = got.httpStatus >= 200 && got.httpStatus <= 299;
    got.networkError = reply->error() != QNetworkReply::NoError && (got.httpStatus == 0 || success);
    if (reply->isOpen())
        got.body = reply->readAll();

    DownloadAcceptance acceptance = acceptDownload(got, m_table);
    m_lastVerdict = acceptance.verdict;
    m_lastError.clear();
    if (!acceptance.accepted()) {
        emit finished(Outcome::Refused);
        return;
    }

    // Written beside the old file and swapped in: a failed write leaves it whole.
    QSaveFile file(m_table.filePath);
    const bool written = file.open(QIODevice::WriteOnly)
                         && file.write(indexFileBytes(got.body)) >= 0 && file.commit();
    if (!written) {
        m_lastError = file.errorString();
        emit finished(Outcome::WriteFailed);
        return;
    }
    installRows(m_table, std::move(acceptance.rows), QFileInfo(m_table.filePath).lastModified(),
                indexFileBytes(got.body));
    emit finished(Outcome::Replaced);
}

} // namespace velmaris
