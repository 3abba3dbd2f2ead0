// SPDX-License-Identifier: GPL-3.0-or-later
// The register window's side of backups and of other programs' changes:
// "Sauvegarder le registre…", "Restaurer…", and a window that follows the
// register when another copy of Velmaris writes to it.
#include "registerwindow.h"

#include "cursor.h"
#include "datafolder.h"
#include "filechoice.h"
#include "leaseform.h"
#include "leaserevisiondialog.h"
#include "messages.h"
#include "quoting.h"
#include "settings.h"
#include "storeprogress.h"

#include <QBoxLayout>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace velmaris {

namespace {

const QString kBackupTitle = QStringLiteral("Sauvegarder le registre");
const QString kRestoreTitle = QStringLiteral("Restaurer le registre");
const QString kBackupFilter =
    QStringLiteral("Sauvegardes du registre (*.sqlite *.bak);;Tous les fichiers (*)");

} // namespace

void RegisterWindow::addBackupButtons(QBoxLayout* side)
{
    sauvegarder = new QPushButton(QStringLiteral("Sau&vegarder le registre…"), this);
    sauvegarder->setObjectName(QStringLiteral("sauvegarder"));
    restaurer = new QPushButton(QStringLiteral("Resta&urer…"), this);
    restaurer->setObjectName(QStringLiteral("restaurer"));
    side->addSpacing(12);
    for (QPushButton* b : {sauvegarder, restaurer}) {
        b->setAutoDefault(false);
        side->addWidget(b);
    }
    connect(sauvegarder, &QPushButton::clicked, this, &RegisterWindow::backupRegister);
    connect(restaurer, &QPushButton::clicked, this, &RegisterWindow::restoreRegister);
}

void RegisterWindow::updateBackupButtons()
{
    // A register on a server is saved by the server itself.
    const bool file = !m_store.isServer();
    sauvegarder->setEnabled(file && m_store.isOpen());
    restaurer->setEnabled(file && writable());
    const QString why = file ? QString()
                             : QStringLiteral("Le registre du serveur est sauvegardé par le "
                                              "serveur lui-même, ou copié dans un fichier avec "
                                              "--copy-register.");
    sauvegarder->setToolTip(why);
    restaurer->setToolTip(why);
}

void RegisterWindow::backupRegister()
{
    if (!m_store.isOpen())
        return;
    const QString suggested = QDir::home().filePath(
        QStringLiteral("Velmaris-%1.sqlite").arg(today().toString(u"yyyy-MM-dd")));
    const QString path = FileChoice::save(this, kBackupTitle, suggested, kBackupFilter);
    if (path.isEmpty())
        return;
    // Never over one of the program's own files, whatever its name.
    DataFolders folders = m_programFolders;
    if (folders.indexFolder.isEmpty())
        folders.indexFolder = QFileInfo(m_table.filePath).absolutePath();
    if (folders.settingsFolder.isEmpty())
        folders.settingsFolder =
            m_settings && !m_settings->path().isEmpty() ? m_settings->folder() : m_session.folder();
    folders.dataFolder = m_session.folder();
    if (const QString why = outputRefusal(path, folders); !why.isEmpty()) {
        MessageBox::critical(this, kBackupTitle,
                             QStringLiteral("Sauvegarde impossible\u00a0: ") + why + u'.');
        return;
    }
    BackupLandlord landlord;
    if (m_settings) {
        const LandlordSettings settings = m_settings->landlord();
        landlord = {settings.name, settings.address, settings.place};
    }
    bool ok = false;
    {
        const BusyCursor busy;
        ok = m_store.backupTo(path, &landlord);
    }
    if (!ok) {
        MessageBox::critical(this, kBackupTitle, m_store.error());
        return;
    }
    MessageBox::information(this, kBackupTitle,
                            QStringLiteral("Le registre des baux est sauvegardé dans ")
                                + quotedPath(path)
                                + QStringLiteral(", avec l’historique, les loyers facturés et "
                                                 "le bailleur."));
}

void RegisterWindow::restoreRegister()
{
    if (!writable())
        return;
    const QString path = FileChoice::open(this, kRestoreTitle, kBackupFilter);
    if (path.isEmpty())
        return;
    if (!MessageBox::question(this, kRestoreTitle,
                              QStringLiteral("Remplacer tout le registre des baux par la "
                                             "sauvegarde ")
                                  + quotedPath(path)
                                  + QStringLiteral("\u00a0? Le registre actuel est gardé dans une "
                                                   "copie datée à côté de lui.")))
        return;
    QString kept;
    BackupLandlord landlord;
    bool ok = false;
    {
        const StoreProgress progress(m_session, this, QStringLiteral("Restauration du registre…"));
        ok = m_store.restoreFrom(path, &kept, &landlord);
    }
    if (!ok && m_store.errorKind() == StoreError::Canceled) {
        MessageBox::information(this, kRestoreTitle,
                                QStringLiteral("Restauration annulée\u00a0: le registre n’a pas été "
                                               "modifié."));
        return;
    }
    if (!ok) {
        MessageBox::critical(this, kRestoreTitle, m_store.error());
        return;
    }
    changed(0, 0);
    QString text = QStringLiteral("Le registre des baux est restauré de ") + quotedPath(path)
                   + QStringLiteral(". L’ancien registre est gardé dans ") + quotedPath(kept)
                   + u'.';
    QString reason;
    const bool landlordKept =
        landlord.isEmpty() || !m_settings
        || m_settings->setLandlord({landlord.name, landlord.address, landlord.place}, &reason);
    // The register brought back meets the desk's landlord as an opening does.
    if (const QString adopted = adoptDeskLandlord(); !adopted.isEmpty()) {
        m_session.announce(0);
        text += u' ' + adopted;
    }
    if (!landlordKept) {
        MessageBox::critical(this, kRestoreTitle,
                             text
                                 + QStringLiteral(" Le bailleur de la sauvegarde n’a pas pu "
                                                  "être rétabli\u00a0: ")
                                 + reason + u'.');
        return;
    }
    MessageBox::information(this, kRestoreTitle, text);
}

void RegisterWindow::refreshIfChangedElsewhere()
{
    // The session tells every window, this one with them.
    m_session.refreshIfChangedElsewhere();
}

// A write refused because another copy changed or removed the lease: the
// window shows the register as it now is, and the form or the revision the
// user was working on follows, the user's typing kept.
void RegisterWindow::showCurrentLease(qint64 id)
{
    const StoreError kind = m_store.errorKind();
    if (kind != StoreError::Conflict && kind != StoreError::NotFound)
        return;
    // Told as any change: this window reloads, the form or dialog that follows
    // the lease (follow()) takes it as it now is.
    m_session.announce(id);
    emit registerChanged();
}

void RegisterWindow::follow(qint64 id, LeaseForm* form, LeaseRevisionDialog* dialog)
{
    QObject* receiver = form ? static_cast<QObject*>(form) : static_cast<QObject*>(dialog);
    connect(&m_session, &RegisterSession::leaseChanged, receiver,
            [this, id, form, dialog](qint64 changed) {
                if (changed != id && changed != 0)
                    return;
                const std::optional<Lease> current = m_store.lease(id);
                if (!current)
                    return;
                if (form)
                    form->rebase(*current);
                if (dialog) {
                    if (std::optional<std::vector<RevisionRecord>> history = m_store.history(id))
                        dialog->setLease(*current, std::move(*history));
                }
            });
}

} // namespace velmaris
