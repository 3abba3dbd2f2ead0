// The main window's side of the lease register: its folder and its one window.
#include "mainwindow.h"

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
        connect(this, &MainWindow::tableLoaded, m_register, &RegisterWindow::indexTableChanged);
    }
    m_register->open();
}

} // namespace velmaris
