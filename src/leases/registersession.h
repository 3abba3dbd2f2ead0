// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "leasestore.h"

#include <QObject>
#include <QString>

#include <optional>

namespace velmaris {

// The lease register of one run of the program: its store, opened once, and
// the news of its changes. The application owns it and lends it to every
// window that shows a lease; each listens to leaseChanged and reads the lease
// again, so that no window keeps a copy the register no longer holds.
class RegisterSession : public QObject {
    Q_OBJECT

public:
    // folder: where Velmaris.sqlite lives; nothing is read before the store is opened.
    explicit RegisterSession(const QString& folder = QString(), QObject* parent = nullptr);

    QString folder() const { return m_folder; }
    // Another folder: the store is closed, to be opened again there.
    void setFolder(const QString& folder);

    // The office's server instead of the folder's file (none: the file); the
    // store is closed, to be opened again there.
    void setServer(const std::optional<RegisterServer>& server);
    const std::optional<RegisterServer>& server() const { return m_server; }
    // The server's password, asked once and kept for this run only.
    void setPassword(const QString& password);

    // Opens the store on the server, or on the folder's file.
    // creation: whether a server's database without a register gets one.
    bool openStore(Creation creation = Creation::Refused);

    LeaseStore& store() { return m_store; }
    const LeaseStore& store() const { return m_store; }

    // Says to every window that the lease changed (written, revised, removed);
    // 0: several leases or the whole register (import, restore).
    void announce(qint64 leaseId);

    // While a long work runs on the store (its progress shown, the event loop
    // turning), nothing may read the store mid-way: news waits, and is told
    // once, as a change of the whole register, when the work ends.
    void setWorking(bool working);
    bool isWorking() const { return m_working; }

    // Another program committed to the register since it was last read: every
    // window is told, as for a change of the whole register. True when it did.
    bool refreshIfChangedElsewhere();

signals:
    void leaseChanged(qint64 leaseId);
    // The store was opened (or opened again after a lost server): what is
    // taken from the register (the office's index figures) is read anew.
    void storeOpened();

private:
    QString m_folder;
    std::optional<RegisterServer> m_server;
    LeaseStore m_store;
    bool m_working = false;
    bool m_newsWaiting = false;
};

} // namespace velmaris
