#include "indexupdater.h"

#include "datafolder.h"
#include "indexfile.h"
#include "indexlines.h"
#include "indexseries.h"
#include "modules.h"
#include "sdmxmerge.h"

#include <QFileInfo>
#include <QTimer>

namespace velmaris {

namespace {

// The index file as it stands; nothing for one that cannot be read (a pipe or
// a device put in its place is never opened).
QByteArray indexFileOnDisk(const QString& path)
{
    return readRegularFile(path, kMaxIndexFileBytes).bytes;
}

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

const NetworkModule* networkModule(QString* reason)
{
    const auto entry =
        reinterpret_cast<NetworkModuleEntry>(moduleEntry(kNetworkModule, kNetworkEntry, reason));
    return entry ? entry() : nullptr;
}

// The system's answer; yes when the module is missing: the download says why.
bool networkConnected()
{
    const NetworkModule* module = networkModule(nullptr);
    return !module || module->connected();
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
    QString missing;
    m_module = networkModule(&missing);
    if (!m_module)
        return cannotStart(missingModuleText(QStringLiteral("le téléchargement"), missing));
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
    m_transfer = m_module->get(get, this);
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

void IndexUpdater::mainReply(const DownloadReply& got)
{
    const DownloadAcceptance transfer = checkTransfer(got);
    if (!transfer.accepted()) {
        refuse(transfer.verdict, transfer.reason);
        return;
    }
    if (looksLikeXml(got.body)) {
        SdmxReply parsed = parseSdmxSeries(got.body, m_current.idBank);
        if (!parsed.ok()) {
            refuse(DownloadVerdict::BadSeries, parsed.error);
            return;
        }
        m_irl = std::move(parsed.series);
        // Nothing new for the IRL: the regional series are not asked for.
        const QByteArray current = indexFileOnDisk(m_table.filePath);
        const SdmxMerge first = mergeSdmxSeries(current, m_irl, nullptr, nullptr, m_today());
        // A typed value to correct is asked about once every series is in.
        if (!first.ok() && !first.needsConfirmation) {
            refuse(DownloadVerdict::BadSeries, first.error);
            return;
        }
        if (first.upToDate() && !lacksRegionalValues(current)) {
            m_lastVerdict = DownloadVerdict::UpToDate;
            end(Outcome::UpToDate);
            return;
        }
        fetchNextOrComplete();
        return;
    }

    if (fileChangedMeanwhile())
        return;
    DownloadAcceptance acceptance = acceptDownload(got, m_table, m_today());
    if (acceptance.verdict == DownloadVerdict::UpToDate) {
        m_lastVerdict = DownloadVerdict::UpToDate;
        end(Outcome::UpToDate);
        return;
    }
    if (!acceptance.accepted()) {
        refuse(acceptance.verdict, acceptance.reason);
        return;
    }
    SdmxMerge done; // the same sentence as for INSEE's series
    for (int i = 0; i < acceptance.added; ++i)
        done.added.push_back(acceptance.rows[std::size_t(i)].quarter);
    if (acceptance.added == 0)
        done.completed.push_back(newestQuarter(acceptance.rows));
    install(indexFileBytes(got.body), mergeSummary(done));
}

void IndexUpdater::regionalReply(const DownloadReply& got)
{
    const QString series = QStringLiteral("série de l'IRL %1 : ").arg(m_current.name);
    const DownloadAcceptance transfer = checkTransfer(got);
    if (!transfer.accepted()) {
        refuse(transfer.verdict, series + transfer.reason);
        return;
    }
    if (!looksLikeXml(got.body)) {
        refuse(DownloadVerdict::BadSeries,
               series + QStringLiteral("la réponse n'est pas une série de l'Insee"));
        return;
    }
    SdmxReply parsed = parseSdmxSeries(got.body, m_current.idBank);
    if (!parsed.ok()) {
        refuse(DownloadVerdict::BadSeries, series + parsed.error);
        return;
    }
    *m_current.into = std::move(parsed.series);
    fetchNextOrComplete();
}

void IndexUpdater::fetchNextOrComplete()
{
    if (m_pending.empty()) {
        completeSeries();
        return;
    }
    const Fetch next = m_pending.front();
    m_pending.erase(m_pending.begin());
    fetch(next);
}

bool IndexUpdater::lacksRegionalValues(const QByteArray& current) const
{
    // A regional column left empty by an earlier update may be filled now.
    const IndexLines file = scanIndexLines(current);
    for (const Fetch& f : m_pending)
        for (const IndexLines::Row& row : file.rows) {
            if (row.quarter <= kLastSharedIrlQuarter)
                break;
            const bool corse = m_corse && f.into == &*m_corse;
            if (!(corse ? row.corse : row.outreMer))
                return true;
        }
    return false;
}

void IndexUpdater::completeSeries()
{
    if (fileChangedMeanwhile())
        return;
    const QByteArray current = indexFileOnDisk(m_table.filePath);
    MergeOptions options;
    options.today = m_today();
    const InseeSeries series{&m_irl, m_corse ? &*m_corse : nullptr,
                             m_outreMer ? &*m_outreMer : nullptr};
    SdmxMerge merge = mergeInseeSeries(current, series, options);
    // Only the user may let INSEE replace what was typed by hand.
    if (merge.needsConfirmation && m_askCorrection && m_askCorrection(correctionQuestion(merge))) {
        options.confirmCorrections = true;
        merge = mergeInseeSeries(current, series, options);
    }
    if (!merge.ok()) {
        refuse(DownloadVerdict::BadSeries, merge.error);
        return;
    }
    if (merge.upToDate()) {
        m_lastVerdict = DownloadVerdict::UpToDate;
        end(Outcome::UpToDate);
        return;
    }
    install(merge.bytes, mergeSummary(merge));
}

bool IndexUpdater::fileChangedMeanwhile()
{
    // Another copy of the program may have updated the file since it was read:
    // writing now would roll it back.
    const QByteArray onDisk = indexFileOnDisk(m_table.filePath);
    if (!indexFileChanged(m_table, onDisk, QFileInfo(m_table.filePath).lastModified()))
        return false;
    loadIndexTable(m_table);
    emit tableReloaded();
    refuse(DownloadVerdict::FileChanged,
           QStringLiteral("le fichier des indices a changé sur le disque depuis sa lecture (une "
                          "autre copie de Velmaris l'a peut-être mis à jour) : il a été relu et "
                          "rien n'a été écrit"));
    return true;
}

void IndexUpdater::install(const QByteArray& bytes, const QString& summary)
{
    QString reason;
    if (!writeFileSafely(m_table.filePath, bytes, &reason)) {
        m_lastVerdict = DownloadVerdict::Accepted;
        m_lastReason = reason + QStringLiteral(" ; l'ancien fichier est conservé");
        end(Outcome::WriteFailed);
        return;
    }
    const IndexFileResult loaded = loadIndexTable(m_table);
    emit tableReloaded();
    if (!loaded.ok()) {
        m_lastVerdict = DownloadVerdict::NotIndexFile;
        m_lastReason =
            QStringLiteral("le fichier écrit ne se relit pas (%1)").arg(corruptionDetail(loaded));
        end(Outcome::WriteFailed);
        return;
    }
    m_lastVerdict = DownloadVerdict::Accepted;
    m_lastReason.clear();
    m_lastSummary = summary;
    end(Outcome::Replaced);
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
