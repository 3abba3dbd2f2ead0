// The main window's side of the lease register: its folder, its one window,
// and what its letter and audit buttons open.
#include "mainwindow.h"

#include "auditwindow.h"
#include "letterdialog.h"
#include "maj.h"
#include "monthlettersdialog.h"
#include "registerwindow.h"

namespace velmaris {

void MainWindow::setRegisterFolder(const QString& folder)
{
    m_folders.dataFolder = folder;
}

void MainWindow::setDataFolders(const DataFolders& folders)
{
    m_folders = folders;
}

void MainWindow::showRegister()
{
    if (!m_register) {
        m_register = new RegisterWindow(m_folders.dataFolder, m_table, this);
        RegisterWindow* r = m_register;
        r->setProgramFolders(m_folders);
        r->setSettingsPath(m_maj.iniPath());
        connect(this, &MainWindow::tableLoaded, r, &RegisterWindow::indexTableChanged);
        // The letters sign with the "Bailleur" block of the settings file.
        connect(r, &RegisterWindow::letterRequested, this, [this, r](qint64 id) {
            if (LetterDialog* d =
                    showLeaseLetter(r, r->store(), id, m_table, m_maj.iniPath(), r->today()))
                d->setProgramFolders(m_folders);
        });
        connect(r, &RegisterWindow::monthLettersRequested, this, [this, r] {
            if (MonthLettersDialog* d =
                    showMonthLetters(r, r->store(), m_table, m_maj.iniPath(), r->today()))
                d->setProgramFolders(m_folders);
        });
        connect(r, &RegisterWindow::auditRequested, this, [this, r](qint64 id) {
            if (AuditWindow* w = showAudit(r, r->store(), id, m_table, r->today()))
                w->setProgramFolders(m_folders);
        });
        connect(r, &RegisterWindow::indexEntryRequested, this, [this, r] { enterIndex(r); });
    }
    m_register->open();
}

} // namespace velmaris
