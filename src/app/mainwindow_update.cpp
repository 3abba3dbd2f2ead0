// Settings dialog, download and manual editing, as the main window drives them.
#include "mainwindow.h"

#include "indexupdater.h"
#include "maj.h"
#include "manualedit.h"
#include "messages.h"
#include "updaterules.h"

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QLineEdit>

namespace velmaris {

void MainWindow::setupUpdate()
{
    m_updater = new IndexUpdater(m_table, this);
    m_updater->setObjectName(QStringLiteral("updater"));
    connect(&m_maj, &Maj::downloadRequested, this, &MainWindow::downloadNow);
    connect(&m_maj, &Maj::manualEditRequested, this, &MainWindow::editIndexFile);
    connect(m_updater, &IndexUpdater::finished, this, [this](IndexUpdater::Outcome outcome) {
        switch (outcome) {
        case IndexUpdater::Outcome::Replaced:
            // The table already holds the new rows: the same revision over
            // them, shown from the top.
            reviseAgain();
            resetScrollBar();
            fillGrid();
            break;
        case IndexUpdater::Outcome::WriteFailed:
            MessageBox::critical(
                m_maj.isVisible() ? static_cast<QWidget*>(&m_maj) : this,
                QStringLiteral("Mise à jour des indices"),
                QStringLiteral("Le fichier des indices téléchargé n'a pas pu "
                               "être enregistré dans %1 (%2). L'ancien "
                               "fichier est conservé.")
                    .arg(QDir::toNativeSeparators(m_table.filePath), m_updater->lastError()));
            break;
        case IndexUpdater::Outcome::Refused:
            break; // the old file and table stay, without a word
        }
    });
}

void MainWindow::showUpdateDialog()
{
    // Modal for the user, without a nested event loop, and over this window.
    m_maj.setWindowModality(Qt::ApplicationModal);
    if (!m_maj.isVisible()) {
        m_maj.adjustSize();
        m_maj.move(frameGeometry().center() - m_maj.rect().center());
    }
    m_maj.show();
    m_maj.raise();
    m_maj.activateWindow();
}

void MainWindow::autoUpdateCheck()
{
    if (m_maj.CheckMaj->isChecked() && indexTableOutOfDate(m_table, QDate::currentDate()))
        downloadNow();
}

void MainWindow::downloadNow()
{
    // Ignored while a download runs, and silent when it cannot start.
    m_updater->download(m_maj.ftp->text(), m_maj.Checkconnection->isChecked());
}

void MainWindow::editIndexFile()
{
    if (editIndexFileAndQuit(m_table.filePath))
        return;
    MessageBox::critical(&m_maj, QStringLiteral("Mise à jour manuelle"),
                         QStringLiteral("L'éditeur de texte n'a pas pu être lancé sur le "
                                        "fichier des indices %1.")
                             .arg(QDir::toNativeSeparators(m_table.filePath)));
}

} // namespace velmaris
