// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "httptransfer.h"
#include "indexchange.h"
#include "indextable.h"
#include "inseesdmx.h"
#include "settings.h"
#include "updaterules.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace velmaris {

// Fetches fresh indices over HTTP and replaces the index file when the reply
// passes every check. The reply is either an index file in the program's own
// format or an INSEE SDMX series (told apart by content); a series completes
// the current file with its new quarters. The fetch runs on the event loop:
// the window stays live, and the whole of it ends within the deadline.
class IndexUpdater : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        Replaced,    // the file was written and the table holds the new rows
        UpToDate,    // the reply adds nothing: the file was not touched
        Refused,     // the reply or the address was not usable: nothing changed
        WriteFailed, // the reply was good but the file could not be replaced
        Cancelled,   // stopped by cancel(): nothing changed
    };
    Q_ENUM(Outcome)

    explicit IndexUpdater(IndexTable& table, QObject* parent = nullptr);
    ~IndexUpdater() override;

    // Starts a download with these settings. False when it cannot start: one
    // is already running, the address is not http(s), an idBank is not valid,
    // or the connection test (when asked for) finds no network; then
    // lastMessage() says why (but for the first case) and nothing is fetched.
    bool download(const UpdateSettings& settings);
    bool download(const QString& address, bool testConnection);
    bool isRunning() const;
    // Stops the running download; it ends with Outcome::Cancelled.
    void cancel();

    // A transfer that receives nothing for this long is abandoned.
    void setTimeout(int milliseconds);
    int timeout() const { return m_timeoutMs; }
    // The whole download, every request included, ends within this time
    // whatever the server does.
    void setDeadline(int milliseconds);
    int deadline() const { return m_deadlineMs; }
    // Replaces the system's reachability test (tests).
    void setConnectionTest(std::function<bool()> test);
    // Replaces today's date (tests).
    void setToday(std::function<QDate()> today);
    // Asks the user whether INSEE's values replace the ones typed by hand (the
    // question shows both); without it such a reply is refused and named.
    void setCorrectionQuestion(std::function<bool(const QString& question)> ask);
    // Where the figures are read and written: the table's file (no target, the
    // default), or a shared register's figures, which the target's write
    // merges into in one step and puts in the table. Set before download().
    void setTarget(IndexTarget target);

    // How the last download ended, and why.
    Outcome lastOutcome() const { return m_lastOutcome; }
    DownloadVerdict lastVerdict() const { return m_lastVerdict; }
    QString lastReason() const { return m_lastReason; }
    // The sentence for the box and the status line: "Indices mis à jour
    // jusqu'au 3è tr.2026 (2 trimestres ajoutés).", "Les indices sont déjà à
    // jour.", "Mise à jour impossible : <reason>."
    QString lastMessage() const;

signals:
    void progress(qint64 received, qint64 total);
    void finished(velmaris::IndexUpdater::Outcome outcome);
    // The table was read again from the file (replaced, or changed by another program).
    void tableReloaded();

private:
    // One request of a download: the IRL first, then the regional series.
    struct Fetch {
        QUrl url;
        QString idBank;
        QString name; // "de Corse", "d'outre-mer"; empty for the main request
        SdmxSeries* into = nullptr;
        // The ICC's older quarters: a reply that fails leaves them out, never the update.
        bool optional = false;
    };

    void fetch(const Fetch& next);
    void replyFinished(const DownloadReply& got);
    void mainReply(const DownloadReply& got);
    void regionalReply(const DownloadReply& got);
    void fetchNextOrComplete();
    void completeSeries();
    void install(const QByteArray& bytes, const QString& summary);
    // The figures as the target or the file holds them now.
    QByteArray currentFigures();
    // A reply in the program's own format, written through the target.
    void takeIndexFile(const DownloadReply& got);
    // How the target's write ended: error (empty when done), whether it
    // changed the figures, and what it did.
    void written(const QString& error, bool changed, const QString& summary);
    bool lacksRegionalValues(const QByteArray& current) const;
    bool fileChangedMeanwhile();
    void refuse(DownloadVerdict verdict, const QString& reason);
    void end(Outcome outcome);
    void abortWith(DownloadVerdict verdict, const QString& reason);

    IndexTable& m_table;
    QTimer* m_deadlineTimer = nullptr;
    std::unique_ptr<HttpTransfer> m_transfer;
    std::function<bool()> m_connectionTest;
    std::function<QDate()> m_today;
    std::function<bool(const QString&)> m_askCorrection;
    IndexTarget m_target;
    int m_timeoutMs = 30000;
    int m_deadlineMs = 60000;

    // The download under way.
    Fetch m_current;
    std::vector<Fetch> m_pending;
    SdmxSeries m_irl;
    std::optional<SdmxSeries> m_corse, m_outreMer, m_icc;
    std::optional<std::pair<DownloadVerdict, QString>> m_abort; // why we stopped it
    bool m_cancelled = false;

    Outcome m_lastOutcome = Outcome::UpToDate;
    DownloadVerdict m_lastVerdict = DownloadVerdict::Accepted;
    QString m_lastReason;
    QString m_lastSummary; // what the file got, for Replaced
};

} // namespace velmaris
