// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's side of the lease register: its folder, its one window,
// what its letter and audit buttons open, and the last days to ask said at start.
#include "mainwindow.h"

#include "auditwindow.h"
#include "datafolder.h"
#include "deadlines.h"
#include "letterdialog.h"
#include "monthlettersdialog.h"
#include "registersession.h"
#include "registerwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace velmaris {

void MainWindow::setRegisterSession(RegisterSession& session)
{
    m_session = &session;
    followSession();
}

void MainWindow::setRegisterFolder(const QString& folder)
{
    m_folders.dataFolder = folder;
    if (m_session)
        m_session->setFolder(folder);
}

void MainWindow::setDataFolders(const DataFolders& folders)
{
    m_folders = folders;
    if (m_session)
        m_session->setFolder(folders.dataFolder);
}

void MainWindow::showRegister()
{
    if (!m_session) {
        m_ownSession = std::make_unique<RegisterSession>(m_folders.dataFolder);
        m_session = m_ownSession.get();
        followSession();
    }
    if (!m_register) {
        m_register = new RegisterWindow(*m_session, m_table, this);
        RegisterWindow* r = m_register;
        Settings& settings = m_settings;
        r->setProgramFolders(m_folders);
        r->setSettings(&settings);
        connect(this, &MainWindow::tableLoaded, r, &RegisterWindow::indexTableChanged);
        // The letters come from each lease's owner, or the register's agency;
        // the settings' landlord only meets the register at its opening.
        connect(r, &RegisterWindow::letterRequested, this, [this, r](qint64 id) {
            if (LetterDialog* d = showLeaseLetter(r, r->session(), id, m_table, r->today()))
                d->setProgramFolders(m_folders);
        });
        connect(r, &RegisterWindow::monthLettersRequested, this, [this, r] {
            if (MonthLettersDialog* d = showMonthLetters(r, r->session(), m_table, r->today()))
                d->setProgramFolders(m_folders);
        });
        connect(r, &RegisterWindow::auditRequested, this, [this, r](qint64 id) {
            if (AuditWindow* w = showAudit(r, r->session(), id, m_table, r->today()))
                w->setProgramFolders(m_folders);
        });
        connect(r, &RegisterWindow::indexEntryRequested, this, [this, r] { enterIndex(r); });
    }
    m_register->open();
}

void MainWindow::openRegisterQuietly()
{
    if (!m_session || m_session->server() || m_deadlinesTold)
        return;
    if (m_session->store().isOpen()) {
        tellDeadlines();
        return;
    }
    // Only a register that exists, in a folder of the user's: none is made
    // here, and whatever fails is the register window's to say when asked.
    const QString folder = m_session->folder();
    if (folder.isEmpty() || !dataFolderRefusal(folder).isEmpty()
        || !QFileInfo(QDir(folder).filePath(LeaseStore::fileName())).isFile())
        return;
    // storeOpened tells the deadlines; closed again, the register window's
    // first opening says what it always says (read-only, say).
    if (m_session->openStore())
        m_session->store().close();
}

void MainWindow::tellDeadlines()
{
    if (m_deadlinesTold || !m_session || !m_session->store().isOpen())
        return;
    m_deadlinesTold = true;
    const std::optional<std::vector<RevisionDeadline>> found =
        readComingDeadlines(m_session->store(), m_table, QDate::currentDate());
    const QString text = found ? deadlinesSummary(*found) : QString();
    if (text.isEmpty())
        return;
    statut->setText(text);
    statut->setToolTip(text);
}

} // namespace velmaris
