#pragma once

#include "indextable.h"
#include "updaterules.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace velmaris {

class BusyCursor;

// Fetches a fresh index file over HTTP and, when the reply holds a whole index
// file no older than the table, replaces the file and the table with it. The
// fetch runs on the event loop: the window stays live, with the hourglass.
class IndexUpdater : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        Replaced,   // the file was written and the table holds the new rows
        Refused,    // the reply was not a usable index file: nothing changed
        WriteFailed // the reply was good but the file could not be replaced
    };
    Q_ENUM(Outcome)

    explicit IndexUpdater(IndexTable& table, QObject* parent = nullptr);
    ~IndexUpdater() override;

    // Starts a download unless one is already running, the connection test (when
    // asked for) finds no network, or the address is not an http(s) URL. Says
    // whether it started; a download that did not start does nothing at all.
    bool download(const QString& address, bool testConnection);
    bool isRunning() const;

    // A transfer that receives nothing for this long is abandoned.
    void setTimeout(int milliseconds);
    int timeout() const { return m_timeoutMs; }
    // Replaces the system's reachability test (tests).
    void setConnectionTest(std::function<bool()> test);

    // Why the last finished download was refused or accepted.
    DownloadVerdict lastVerdict() const { return m_lastVerdict; }
    // The reason a write failed, for the message.
    QString lastError() const { return m_lastError; }

signals:
    void finished(velmaris::IndexUpdater::Outcome outcome);

private:
    void replyFinished();

    IndexTable& m_table;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<BusyCursor> m_busy;
    std::function<bool()> m_connectionTest;
    int m_timeoutMs = 30000;
    DownloadVerdict m_lastVerdict = DownloadVerdict::Accepted;
    QString m_lastError;
};

} // namespace velmaris
