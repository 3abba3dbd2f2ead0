// SPDX-License-Identifier: GPL-3.0-or-later
#include "registersession.h"

namespace velmaris {

RegisterSession::RegisterSession(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
{
    // Another desk committed to the server: every window reads again, once
    // the driver is done delivering the news.
    m_store.setChangeListener([this] {
        QMetaObject::invokeMethod(this, &RegisterSession::refreshIfChangedElsewhere,
                                  Qt::QueuedConnection);
    });
}

void RegisterSession::setServer(const std::optional<RegisterServer>& server)
{
    if (server == m_server)
        return;
    m_store.close();
    m_server = server;
}

void RegisterSession::setPassword(const QString& password)
{
    if (m_server)
        m_server->password = password;
}

bool RegisterSession::openStore(Creation creation)
{
    const bool opened = m_server ? m_store.openServer(*m_server, creation) : m_store.open(m_folder);
    if (opened)
        emit storeOpened();
    return opened;
}

void RegisterSession::setFolder(const QString& folder)
{
    if (folder == m_folder)
        return;
    m_store.close();
    m_folder = folder;
}

void RegisterSession::announce(qint64 leaseId)
{
    if (m_working) {
        m_newsWaiting = true;
        return;
    }
    emit leaseChanged(leaseId);
}

void RegisterSession::setWorking(bool working)
{
    m_working = working;
    if (working || !m_newsWaiting)
        return;
    m_newsWaiting = false;
    announce(0);
}

bool RegisterSession::refreshIfChangedElsewhere()
{
    if (m_working) {
        m_newsWaiting = true;
        return false;
    }
    if (!m_store.isOpen() || !m_store.changedElsewhere())
        return false;
    announce(0);
    return true;
}

} // namespace velmaris
