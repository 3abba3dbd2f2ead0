// The register window and what it may do: the server's password, asked once;
// a register that may only be read, and why; a server that stopped answering.
#include "registerwindow.h"

#include "messages.h"
#include "quoting.h"

#include <QInputDialog>
#include <QLineEdit>

namespace velmaris {

bool RegisterWindow::openSessionStore()
{
    if (m_session.openStore())
        return true;
    const auto& server = m_session.server();
    if (!server)
        return false;
    if (m_store.errorKind() == StoreError::Password) {
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
        if (m_session.openStore())
            return true;
    }
    // A database without a register gets one only when the user says so: a
    // wrong name in the settings never starts an office's second register.
    if (m_store.errorKind() != StoreError::NoRegister)
        return false;
    return MessageBox::question(
               this, QStringLiteral("Registre des baux"),
               QStringLiteral("La base %1 ne contient pas encore de registre des baux. Le créer "
                              "(schéma « %2 ») pour tous les postes du bureau ?")
                   .arg(quoted(server->display()), QString::fromLatin1(LeaseStore::kServerSchema)))
           && m_session.openStore(Creation::Allowed);
}

void RegisterWindow::watchServer()
{
    if (m_session.isWorking()) // a long work holds the connection: it says itself if it is cut
        return;
    if (m_retryIn == 0) {
        if (!m_store.isConnectionLost())
            return;
        m_retryIn = m_retryEvery; // just noticed: the first try waits its turn
        showLostServer();
        return;
    }
    if (--m_retryIn > 0) {
        showLostServer();
        return;
    }
    // Opened again with what the session keeps (the password); a form open
    // meanwhile saves against the version it was opened at.
    if (!m_session.openStore()) {
        m_retryIn = m_retryEvery;
        showLostServer();
        return;
    }
    etat->setVisible(m_store.isReadOnly());
    if (m_store.isReadOnly())
        etat->setText(QStringLiteral("Lecture seule : ") + m_store.readOnlyReason() + u'.');
    reload();
    m_session.announce(0); // every window that shows a lease reads it again
}

void RegisterWindow::showLostServer()
{
    etat->setText(QStringLiteral("Serveur injoignable : nouvel essai dans %1 s…").arg(m_retryIn));
    etat->show();
    updateButtons();
}

bool RegisterWindow::writable() const
{
    return m_store.isOpen() && !m_store.isReadOnly();
}

QString RegisterWindow::readOnlyTip() const
{
    const QString reason = m_store.readOnlyReason();
    return QStringLiteral("Lecture seule : ")
           + (reason.isEmpty() ? QStringLiteral("le registre ne peut pas être modifié") : reason)
           + u'.';
}

} // namespace velmaris
