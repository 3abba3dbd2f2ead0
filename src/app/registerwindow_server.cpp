// The register window on an office's server: the password, asked once.
#include "registerwindow.h"

#include "quoting.h"

#include <QInputDialog>
#include <QLineEdit>

namespace velmaris {

bool RegisterWindow::openSessionStore()
{
    if (m_session.openStore())
        return true;
    const auto& server = m_session.server();
    if (!server || m_store.errorKind() != StoreError::Password)
        return false;
    // Never written anywhere: kept by the session until the program ends.
    bool given = false;
    const QString password = QInputDialog::getText(
        this, QStringLiteral("Registre des baux"),
        QStringLiteral("Mot de passe de %1 pour le registre des baux %2 :")
            .arg(server->user.isEmpty() ? QStringLiteral("cet utilisateur") : server->user,
                 quoted(server->display())),
        QLineEdit::Password, QString(), &given);
    if (!given || password.isEmpty())
        return false;
    m_session.setPassword(password);
    return m_session.openStore();
}

} // namespace velmaris
