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
    m_registerFolder = folder;
}

void MainWindow::showRegister()
{
    if (!m_register) {
        m_register = new RegisterWindow(m_registerFolder, m_table, this);
        RegisterWindow* r = m_register;
        connect(this, &MainWindow::tableLoaded, r, &RegisterWindow::indexTableChanged);
        // The letters sign with the "Bailleur" block of the settings file.
        connect(r, &RegisterWindow::letterRequested, this, [this, r](qint64 id) {
            showLeaseLetter(r, r->store(), id, m_table, m_maj.iniPath(), r->today());
        });
        connect(r, &RegisterWindow::monthLettersRequested, this, [this, r] {
            showMonthLetters(r, r->store(), m_table, m_maj.iniPath(), r->today());
        });
        connect(r, &RegisterWindow::indexEntryRequested, this, [this, r] { enterIndex(r); });
        connect(r, &RegisterWindow::auditRequested, this,
                [this, r](qint64 id) { showAudit(r, r->store(), id, m_table, r->today()); });
    }
    m_register->open();
}

} // namespace velmaris
