#include "registersession.h"

namespace velmaris {

RegisterSession::RegisterSession(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
{
}

void RegisterSession::setFolder(const QString& folder)
{
    if (folder == m_folder)
        return;
    m_store.close();
    m_folder = folder;
}

bool RegisterSession::refreshIfChangedElsewhere()
{
    if (!m_store.isOpen() || !m_store.changedElsewhere())
        return false;
    announce(0);
    return true;
}

} // namespace velmaris
