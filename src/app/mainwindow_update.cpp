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

void MainWindow::setupUpdate()
{
    // The dialog is this window's child while the window lives: it opens over
    // it and goes with it. Its owner gets it back in releaseUpdateDialog().
    m_maj.setParent(this, m_maj.windowFlags() | Qt::Dialog);
    giveMnemonics(&m_maj);

    // One line under the grid says how the last update ended.
    auto* panel = findChild<QFrame*>(QStringLiteral("grille"));
    auto* grid = static_cast<QGridLayout*>(panel->layout());
    statut = new QLabel(panel);
    statut->setObjectName(QStringLiteral("statut"));
    statut->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed); // long texts never widen it
    grid->addWidget(statut, kGridLines + 2, 0, 1, grid->columnCount());
    perime = new QLabel(panel);
    perime->setObjectName(QStringLiteral("perime"));
    perime->setWordWrap(true);
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
    connect(&m_maj, &Maj::downloadRequested, this, &MainWindow::downloadNow);
    connect(&m_maj, &Maj::manualEditRequested, this, &MainWindow::editIndexFile);
    connect(&m_maj, &Maj::indexEntryRequested, this, [this] { enterIndex(&m_maj); });
    connect(&m_maj, &Maj::inseeImportRequested, this, &MainWindow::importInseeFile);
    m_updater->setCorrectionQuestion(
        [this](const QString& question) { return askCorrection(question); });
    connect(m_updater, &IndexUpdater::tableReloaded, this, [this] {
        // The same revision over the new rows, shown from the top.
        reviseAgain();
        resetScrollBar();
        fillGrid();
        showStaleness();
    });
    connect(m_updater, &IndexUpdater::finished, this, &MainWindow::downloadFinished);
}

void MainWindow::releaseUpdateDialog()
{
    m_maj.hide();
    m_maj.setParent(nullptr, m_maj.windowFlags());
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
    // Silent: the outcome goes to the status line only, and no hourglass.
    const UpdateSettings& settings = m_maj.settings();
    if (!settings.checkMaj || !indexTableOutOfDate(m_table, QDate::currentDate()))
        return;
    m_downloadByHand = false;
    if (!m_updater->download(settings))
        downloadFinished();
}

void MainWindow::downloadNow()
{
    if (m_updater->isRunning())
        return;
    // The address and idBanks as the dialog shows them, saved or not.
    m_downloadByHand = true;
    if (!m_updater->download(settingsOf(m_maj))) {
        downloadFinished();
        return;
    }
    (new DownloadProgress(*m_updater, this))->show();
}

void MainWindow::downloadFinished()
{
    const QString text = m_updater->lastMessage();
    statut->setText(text);
    statut->setToolTip(text);
    if (!m_downloadByHand)
        return;
    m_downloadByHand = false;
    QWidget* owner = m_maj.isVisible() ? static_cast<QWidget*>(&m_maj) : this;
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
                                     "href=\"saisie\">%2</a>.")
                          .arg(kStalenessMend, kStalenessType));
}

} // namespace velmaris
