// SPDX-License-Identifier: GPL-3.0-or-later
// Settings dialog, download and manual editing, as the main window drives them.
#include "mainwindow.h"

#include "downloadprogress.h"
#include "indexupdater.h"
#include "maj.h"
#include "messages.h"
#include "settings.h"
#include "staleness.h"
#include "updaterules.h"
#include "windowfit.h"

#include <QDate>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>

namespace velmaris {

Maj& MainWindow::updateDialog()
{
    if (m_maj)
        return *m_maj;
    // This window's child: it opens over it and goes with it.
    m_maj = new Maj(m_settings, this);
    // Closing this window ends the program, even with the update dialog open.
    m_maj->setAttribute(Qt::WA_QuitOnClose, false);
    giveMnemonics(m_maj);
    connect(m_maj, &Maj::downloadRequested, this, &MainWindow::downloadNow);
    connect(m_maj, &Maj::manualEditRequested, this, &MainWindow::editIndexFile);
    connect(m_maj, &Maj::indexEntryRequested, this, [this] { enterIndex(m_maj); });
    connect(m_maj, &Maj::inseeImportRequested, this, &MainWindow::importInseeFile);
    return *m_maj;
}

QWidget* MainWindow::updateOwner()
{
    return m_maj && m_maj->isVisible() ? static_cast<QWidget*>(m_maj) : this;
}

UpdateSettings MainWindow::shownUpdateSettings() const
{
    return m_maj ? settingsOf(*m_maj) : m_settings.update();
}

void MainWindow::setupUpdate()
{
    // One line under the grid says how the last update ended.
    auto* panel = findChild<QFrame*>(QStringLiteral("grille"));
    auto* grid = static_cast<QGridLayout*>(panel->layout());
    statut = new QLabel(panel);
    statut->setObjectName(QStringLiteral("statut"));
    statut->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed); // long texts never widen it
    grid->addWidget(statut, kGridLines + 2, 0, 1, grid->columnCount());
    perime = new QLabel(panel);
    perime->setWordWrap(true);
    perime->setObjectName(QStringLiteral("perime"));
    perime->setTextFormat(Qt::RichText);
    perime->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    perime->hide();
    grid->addWidget(perime, kGridLines + 3, 0, 1, grid->columnCount());
    connect(perime, &QLabel::linkActivated, this, [this](const QString& link) {
        if (link == u"saisie")
            enterIndex();
        else
            showUpdateDialog();
    });

    m_updater = new IndexUpdater(m_table, this);
    m_updater->setObjectName(QStringLiteral("updater"));
    m_updater->setCorrectionQuestion(
        [this](const QString& question) { return askCorrection(question); });
    connect(m_updater, &IndexUpdater::tableReloaded, this, [this] {
        // The same revision over the new rows, shown from the top.
        reviseAgain();
        resetScrollBar();
        fillGrid();
        showStaleness();
        emit tableLoaded();
    });
    connect(m_updater, &IndexUpdater::finished, this, &MainWindow::downloadFinished);
}

void MainWindow::showUpdateDialog()
{
    Maj& maj = updateDialog();
    // Modal for the user, without a nested event loop, and over this window.
    maj.setWindowModality(Qt::ApplicationModal);
    if (!maj.isVisible()) {
        maj.adjustSize();
        maj.move(frameGeometry().center() - maj.rect().center());
    }
    maj.show();
    maj.raise();
    maj.activateWindow();
}

void MainWindow::autoUpdateCheck()
{
    // Silent: the outcome goes to the status line only, and no hourglass.
    const UpdateSettings& settings = m_settings.update();
    if (!settings.checkMaj || !indexTableOutOfDate(m_table, QDate::currentDate()))
        return;
    m_downloadByHand = false;
    // A shared register already open takes the update; else this desk's
    // file does, and completes the register at its next opening.
    m_updater->setTarget(officeOpen() ? indexTarget(false) : IndexTarget());
    if (!m_updater->download(settings))
        downloadFinished();
}

void MainWindow::downloadNow()
{
    if (m_updater->isRunning())
        return;
    m_downloadByHand = true;
    const IndexTarget target = indexTarget(true);
    m_updater->setTarget(target.shared ? target : IndexTarget());
    if (!m_updater->download(shownUpdateSettings())) {
        downloadFinished();
        return;
    }
    (new DownloadProgress(*m_updater, this))->show();
}

void MainWindow::downloadFinished()
{
    QString text = m_updater->lastMessage();
    if (m_updater->lastOutcome() == IndexUpdater::Outcome::Replaced)
        text = (text + u' ' + officeMissed()).trimmed();
    statut->setText(text);
    statut->setToolTip(text);
    if (!m_downloadByHand)
        return;
    m_downloadByHand = false;
    QWidget* owner = updateOwner();
    const QString title = QStringLiteral("Mise à jour des indices");
    switch (m_updater->lastOutcome()) {
    case IndexUpdater::Outcome::Replaced:
    case IndexUpdater::Outcome::UpToDate:
        MessageBox::information(owner, title, text);
        break;
    case IndexUpdater::Outcome::Refused:
    case IndexUpdater::Outcome::WriteFailed:
        MessageBox::critical(owner, title, text);
        break;
    case IndexUpdater::Outcome::Cancelled:
        break; // the user knows: the status line is enough
    }
}

void MainWindow::showStaleness()
{
    const std::optional<Staleness> stale = staleness(m_table, QDate::currentDate());
    perime->setVisible(stale.has_value());
    if (!stale)
        return;
    perime->setText(stalenessText(*stale).toHtmlEscaped()
                    + QStringLiteral(" À obtenir par <a href=\"maj\">%1</a> ou <a "
                                     "href=\"saisie\">%2</a>")
                          .arg(kStalenessMend, kStalenessType)
                    // After "…" the sentence has ended.
                    + (kStalenessType.endsWith(u'…') ? QString() : QStringLiteral(".")));
}

} // namespace velmaris
