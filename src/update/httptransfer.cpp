// SPDX-License-Identifier: GPL-3.0-or-later
// HTTP transfers through QtNetwork, for the download of the indices.
#include "httptransfer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <algorithm>

namespace velmaris {

namespace {

QString seconds(int milliseconds)
{
    return QString::number(std::max(1, (milliseconds + 500) / 1000));
}

// What went wrong on the way, in French, naming the server.
QString networkReason(const QNetworkReply& reply, int timeoutMs)
{
    const QString host = reply.url().host();
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("le serveur %1 refuse la connexion").arg(host);
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("le serveur %1 a coupé la connexion avant la fin").arg(host);
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("le serveur %1 est introuvable (pas de connexion, ou adresse "
                              "mal tapée)")
            .arg(host);
    case QNetworkReply::TimeoutError:
        return QStringLiteral("le serveur %1 ne répond pas").arg(host);
    case QNetworkReply::OperationCanceledError:
        // The caller's own aborts are told apart there; this is the transfer timeout.
        return QStringLiteral("le serveur %1 n'a rien envoyé pendant %2 s")
            .arg(host, seconds(timeoutMs));
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("la connexion sécurisée avec %1 a échoué").arg(host);
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("le réseau n'est pas disponible");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("le proxy du réseau refuse la connexion");
    default:
        return QStringLiteral("le transfert depuis %1 n'est pas allé jusqu'au bout (%2)")
            .arg(host, reply.errorString());
    }
}

// A redirect the transfer did not follow: where it led and why it stopped.
QString redirectReason(const QNetworkReply& reply)
{
    // Qt gives no target for a redirect it refuses outright: the header does.
    QUrl location = reply.attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (location.isEmpty())
        location = QUrl::fromEncoded(reply.rawHeader("Location"));
    const QUrl target = location.isEmpty() ? QUrl() : reply.url().resolved(location);
    const QString where = target.isEmpty() || target == reply.url()
                              ? QStringLiteral("une adresse que sa réponse ne donne pas")
                              : QStringLiteral("« %1 »").arg(target.toDisplayString());
    QString cause;
    switch (reply.error()) {
    case QNetworkReply::InsecureRedirectError:
        cause = QStringLiteral("cette adresse est moins sûre que la première (http après https)");
        break;
    case QNetworkReply::TooManyRedirectsError:
        cause = QStringLiteral("les renvois se suivent sans fin");
        break;
    case QNetworkReply::ProtocolUnknownError:
        cause = QStringLiteral("seules les adresses http et https sont prises en charge");
        break;
    case QNetworkReply::NoError:
        cause = QStringLiteral("le renvoi n'a pas été suivi");
        break;
    default:
        cause = reply.errorString();
        break;
    }
    return QStringLiteral("le serveur %1 renvoie vers %2, qui n'a pas pu être suivie : %3")
        .arg(reply.url().host(), where, cause);
}

DownloadReply replyOf(QNetworkReply& reply, int timeoutMs)
{
    DownloadReply got;
    got.httpStatus = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A 404 or a 500 shows as an error too; what counts as a network error is a
    // transfer that did not complete: no status at all, or a 2xx cut short.
    const bool success = got.httpStatus >= 200 && got.httpStatus <= 299;
    got.networkError = reply.error() != QNetworkReply::NoError && (got.httpStatus == 0 || success);
    if (got.networkError)
        got.errorText = networkReason(reply, timeoutMs);
    else if (got.httpStatus >= 300 && got.httpStatus <= 399)
        got.errorText = redirectReason(reply);
    if (reply.isOpen())
        got.body = reply.readAll();
    return got;
}

class Transfer : public HttpTransfer {
public:
    Transfer(const HttpGet& get, QNetworkAccessManager& network)
        : m_finished(get.finished)
    {
        QNetworkRequest request(get.url);
        request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Mozilla"));
        // Always the server's own copy, never one kept by a cache on the way.
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setRawHeader("Cache-Control", "no-cache");
        request.setRawHeader("Pragma", "no-cache");
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setTransferTimeout(get.timeoutMs);

        m_reply = network.get(request);
        if (get.progress)
            QObject::connect(m_reply, &QNetworkReply::downloadProgress, m_reply, get.progress);
        QObject::connect(m_reply, &QNetworkReply::finished, m_reply,
                         [this, timeoutMs = get.timeoutMs] {
                             QNetworkReply* reply = m_reply;
                             m_reply = nullptr;
                             reply->deleteLater();
                             // The caller may delete this transfer in its handler.
                             const auto finished = m_finished;
                             finished(replyOf(*reply, timeoutMs));
                         });
    }

    ~Transfer() override
    {
        if (m_reply) {
            m_reply->disconnect();
            m_reply->abort();
            m_reply->deleteLater();
        }
    }

    void abort() override
    {
        if (m_reply)
            m_reply->abort();
    }

private:
    QPointer<QNetworkReply> m_reply;
    std::function<void(const DownloadReply&)> m_finished;
};

} // namespace

std::unique_ptr<HttpTransfer> startHttpGet(const HttpGet& get, QObject* owner)
{
    auto* network = owner->findChild<QNetworkAccessManager*>(QString(), Qt::FindDirectChildrenOnly);
    if (!network)
        network = new QNetworkAccessManager(owner);
    return std::make_unique<Transfer>(get, *network);
}

} // namespace velmaris
