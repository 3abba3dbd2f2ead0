// SPDX-License-Identifier: GPL-3.0-or-later
#include "indexupdater.h"

#include "datafolder.h"
#include "indexfile.h"
#include "indexlines.h"
#include "indexseries.h"
#include "network.h"
#include "sdmxmerge.h"

#include <QFileInfo>
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

// The transfer under way, if any, is dropped without a word.
IndexUpdater::~IndexUpdater() = default;

bool IndexUpdater::isRunning() const
{
    return m_transfer != nullptr;
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

void IndexUpdater::setTarget(IndexTarget target)
{
    m_target = std::move(target);
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
    // And the ICC, whose quarters older than the file go below it.
    m_icc.reset();
    m_pending.push_back({seriesAddress(url, kIccIdBank.toString()), kIccIdBank.toString(),
                         QStringLiteral("ICC"), &m_icc.emplace(), true});

    m_deadlineTimer->start(m_deadlineMs);
    fetch({url, idBankOf(url), QString(), &m_irl});
    return true;
}

void IndexUpdater::cancel()
{
    if (!isRunning())
        return;
    m_cancelled = true;
    m_transfer->abort();
}

void IndexUpdater::abortWith(DownloadVerdict verdict, const QString& reason)
{
    if (!isRunning())
        return;
    m_abort.emplace(verdict, reason);
    m_transfer->abort();
}

void IndexUpdater::fetch(const Fetch& next)
{
    m_current = next;
    HttpGet get;
    get.url = next.url;
    get.timeoutMs = m_timeoutMs;
    get.progress = [this](qint64 received, qint64 total) {
        if (received > kMaxDownloadBytes)
            abortWith(DownloadVerdict::TooLarge,
                      QStringLiteral("la réponse du serveur dépasse 4 Mo : ce n'est pas "
                                     "un fichier des indices"));
        else
            emit progress(received, total);
    };
    get.finished = [this](const DownloadReply& got) { replyFinished(got); };
    m_transfer = startHttpGet(get, this);
}

void IndexUpdater::replyFinished(const DownloadReply& got)
{
    m_transfer.reset();

    if (m_cancelled) {
        end(Outcome::Cancelled);
        return;
    }
    if (m_abort) {
        refuse(m_abort->first, m_abort->second);
        return;
    }

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
