#include "indexupdater.h"

#include "datafolder.h"
#include "indexfile.h"
#include "indexlines.h"
#include "indexseries.h"
#include "network.h"
#include "sdmxmerge.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace velmaris {

namespace {

bool digitsOnly(const QString& text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

QString seconds(int milliseconds)
{
    return QString::number(std::max(1, (milliseconds + 500) / 1000));
}

} // namespace

IndexUpdater::IndexUpdater(IndexTable& table, QObject* parent)
    : QObject(parent)
    , m_table(table)
    , m_network(new QNetworkAccessManager(this))
    , m_deadlineTimer(new QTimer(this))
    , m_connectionTest(&networkConnected)
    , m_today(&QDate::currentDate)
{
    m_deadlineTimer->setSingleShot(true);
    connect(m_deadlineTimer, &QTimer::timeout, this, [this] {
        abortWith(DownloadVerdict::NetworkError,
                  QStringLiteral("le téléchargement n'était pas fini au bout de %1 s")
                      .arg(seconds(m_deadlineMs)));
    });
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

void IndexUpdater::setDeadline(int milliseconds)
{
    m_deadlineMs = milliseconds;
}

void IndexUpdater::setConnectionTest(std::function<bool()> test)
{
    m_connectionTest = std::move(test);
}

void IndexUpdater::setToday(std::function<QDate()> today)
{
    m_today = today ? std::move(today) : std::function<QDate()>(&QDate::currentDate);
}

void IndexUpdater::setCorrectionQuestion(std::function<bool(const QString&)> ask)
{
    m_askCorrection = std::move(ask);
}

QString IndexUpdater::lastMessage() const
{
    switch (m_lastOutcome) {
    case Outcome::Replaced:
        return m_lastSummary;
    case Outcome::UpToDate:
        return QStringLiteral("Les indices sont déjà à jour.");
    case Outcome::Cancelled:
        return QStringLiteral("Mise à jour annulée : les indices n'ont pas changé.");
    case Outcome::Refused:
    case Outcome::WriteFailed:
        break;
    }
    return QStringLiteral("Mise à jour impossible : %1.").arg(m_lastReason);
}

bool IndexUpdater::download(const QString& address, bool testConnection)
{
    UpdateSettings settings;
    settings.address = address;
    settings.checkConnection = testConnection;
    return download(settings);
}

bool IndexUpdater::download(const UpdateSettings& settings)
{
    // Two downloads must never race to write the file.
    if (isRunning())
        return false;
    auto cannotStart = [this](const QString& reason) {
        m_lastOutcome = Outcome::Refused;
        m_lastVerdict = DownloadVerdict::NetworkError;
        m_lastReason = reason;
        return false;
    };
    const QString refusal = addressRefusal(settings.address);
    if (!refusal.isEmpty())
        return cannotStart(refusal);
    for (const QString& id : {settings.corseIdBank, settings.outreMerIdBank})
        if (!digitsOnly(id.trimmed()))
            return cannotStart(
                QStringLiteral("l'idBank « %1 » des réglages ne s'écrit pas qu'avec des chiffres")
                    .arg(id.trimmed()));
    if (settings.checkConnection && m_connectionTest && !m_connectionTest())
        return cannotStart(QStringLiteral("aucune connexion au réseau n'est disponible"));

    const QUrl url = *downloadUrl(settings.address);
    m_abort.reset();
    m_cancelled = false;
    m_irl = {};
    m_corse.reset();
    m_outreMer.reset();
    m_pending.clear();
    // The regional series come from the same service, once the IRL shows news.
    if (const QString id = settings.corseIdBank.trimmed(); !id.isEmpty())
        m_pending.push_back(
            {seriesAddress(url, id), id, QStringLiteral("de Corse"), &m_corse.emplace()});
    if (const QString id = settings.outreMerIdBank.trimmed(); !id.isEmpty())
        m_pending.push_back(
            {seriesAddress(url, id), id, QStringLiteral("d'outre-mer"), &m_outreMer.emplace()});

    m_deadlineTimer->start(m_deadlineMs);
    fetch({url, idBankOf(url), QString(), &m_irl});
    return true;
}

void IndexUpdater::cancel()
{
    if (!isRunning())
        return;
    m_cancelled = true;
    m_reply->abort();
}

void IndexUpdater::abortWith(DownloadVerdict verdict, const QString& reason)
{
    if (!isRunning())
        return;
    m_abort.emplace(verdict, reason);
    m_reply->abort();
}

void IndexUpdater::fetch(const Fetch& next)
{
    m_current = next;
    QNetworkRequest request(next.url);
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

    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (received > kMaxDownloadBytes)
            abortWith(DownloadVerdict::TooLarge,
                      QStringLiteral("la réponse du serveur dépasse 4 Mo : ce n'est pas "
                                     "un fichier des indices"));
        else
            emit progress(received, total);
    });
    connect(m_reply, &QNetworkReply::finished, this, &IndexUpdater::replyFinished);
}

QString IndexUpdater::networkReason(QNetworkReply* reply) const
{
    const QString host = reply->url().host();
    switch (reply->error()) {
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
        // Our own aborts are told apart before; this is the transfer timeout.
        return QStringLiteral("le serveur %1 n'a rien envoyé pendant %2 s")
            .arg(host, seconds(m_timeoutMs));
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
            .arg(host, reply->errorString());
    }
}

void IndexUpdater::replyFinished()
{
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    if (!reply)
        return;
    reply->deleteLater();

    if (m_cancelled) {
        end(Outcome::Cancelled);
        return;
    }
    if (m_abort) {
        refuse(m_abort->first, m_abort->second);
        return;
    }

    DownloadReply got;
    got.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A 404 or a 500 shows as an error too; what counts as a network error is a
    // transfer that did not complete: no status at all, or a 2xx cut short.
    const bool success = got.httpStatus >= 200 && got.httpStatus <= 299;
    got.networkError = reply->error() != QNetworkReply::NoError && (got.httpStatus == 0 || success);
    if (got.networkError)
        got.errorText = networkReason(reply);
    if (reply->isOpen())
        got.body = reply->readAll();

    if (m_current.name.isEmpty())
        mainReply(got);
    else
        regionalReply(got);
}

void IndexUpdater::refuse(DownloadVerdict verdict, const QString& reason)
{
    m_lastVerdict = verdict;
    m_lastReason = reason;
    end(Outcome::Refused);
}

void IndexUpdater::end(Outcome outcome)
{
    m_deadlineTimer->stop();
    m_pending.clear();
    m_lastOutcome = outcome;
    emit finished(outcome);
}

} // namespace velmaris
