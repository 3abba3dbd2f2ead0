// SPDX-License-Identifier: GPL-3.0-or-later
// The register window and what it may do: the server's password, asked once;
// a register that may only be read, and why; a server that stopped answering.
#include "registerwindow.h"

#include "typography.h"

#include "messages.h"
#include "passworddialog.h"
#include "quoting.h"

namespace velmaris {

bool RegisterWindow::openSessionStore()
{
    if (m_session.openStore())
        return true;
    // Kept in the keyring only once the server took it.
    QString rememberAs;
    const auto remember = [this](const QString& key, const QString& password) {
        if (key.isEmpty())
            return;
        if (const QString why = keyring::writePassword(key, password); !why.isEmpty())
            MessageBox::information(this, QStringLiteral("Registre des baux"),
                                    QStringLiteral("Le mot de passe n’est pas mémorisé\u00a0: ") + why
                                        + QStringLiteral(". Il sera demandé au prochain "
                                                         "démarrage."));
    };
    const auto& server = m_session.server();
    if (!server)
        return false;
    const QString key = QStringLiteral("postgresql://") + server->display();
    bool keptRefused = false;
    if (m_store.errorKind() == StoreError::Password) {
        // The desktop's keyring first, when the user had it keep the password.
        const keyring::Read kept = keyring::readPassword(key);
        keptRefused = kept.found && !kept.password.isEmpty();
        if (keptRefused) {
            m_session.setPassword(kept.password);
            if (m_session.openStore())
                return true;
        }
    }
    if (m_store.errorKind() == StoreError::Password) {
        // Else asked, and kept by the session until the program ends.
        PasswordDialog ask(
            (keptRefused ? QStringLiteral("Le mot de passe gardé dans le trousseau est refusé "
                                          "par le serveur. ")
                         : QString())
                + QStringLiteral("Mot de passe %1 pour le registre des baux %2\u00a0:")
                      .arg(server->user.isEmpty() ? QStringLiteral("de cet utilisateur")
                                                  : ofName(server->user),
                           quoted(server->display())),
            this);
        if (ask.exec() != QDialog::Accepted || ask.password().isEmpty())
            return false;
        m_session.setPassword(ask.password());
        if (ask.remember())
            rememberAs = key;
        if (m_session.openStore()) {
            remember(rememberAs, ask.password());
            return true;
        }
    }
    // A database without a register gets one only when the user says so: a
    // wrong name in the settings never starts an office's second register.
    if (m_store.errorKind() != StoreError::NoRegister)
        return false;
    const bool made =
        MessageBox::question(
            this, QStringLiteral("Registre des baux"),
            QStringLiteral("La base %1 ne contient pas encore de registre des baux. Le créer "
                           "(schéma «\u00a0%2\u00a0») pour tous les postes du bureau\u00a0?")
                .arg(quoted(server->display()), QString::fromLatin1(LeaseStore::kServerSchema)))
        && m_session.openStore(Creation::Allowed);
    if (made)
        remember(rememberAs, m_session.server()->password);
    return made;
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
        etat->setText(QStringLiteral("Lecture seule\u00a0: ") + m_store.readOnlyReason() + u'.');
    reload();
    m_session.announce(0); // every window that shows a lease reads it again
}

void RegisterWindow::showLostServer()
{
    etat->setText(QStringLiteral("Serveur injoignable\u00a0: nouvel essai dans %1 s…").arg(m_retryIn));
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
    return QStringLiteral("Lecture seule\u00a0: ")
           + (reason.isEmpty() ? QStringLiteral("le registre ne peut pas être modifié") : reason)
           + u'.';
}

} // namespace velmaris
