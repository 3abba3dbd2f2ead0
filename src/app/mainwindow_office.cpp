// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a shared register: the office's index figures taken
// from the register when it opens, read again when another desk changes them,
// and completed there by every change made on this desk.
#include "mainwindow.h"

#include "deskmerge.h"
#include "indexfiletarget.h"
#include "messages.h"
#include "officefigures.h"
#include "registersession.h"

#include <QLabel>

namespace velmaris {

namespace {

const QString kTitle = QStringLiteral("Indices du registre");

} // namespace

void MainWindow::followSession()
{
    connect(m_session, &RegisterSession::storeOpened, this, [this] {
        if (officeOpen())
            loadTable();
        tellDeadlines();
    });
    // A whole-register change is also how another desk's commit is told.
    connect(m_session, &RegisterSession::leaseChanged, this, [this](qint64 leaseId) {
        if (leaseId == 0)
            officeNews();
    });
}

bool MainWindow::officeOpen() const
{
    return m_session && m_session->server() && m_session->store().isOpen()
           && m_session->store().isServer();
}

bool MainWindow::loadOfficeTable()
{
    if (!officeOpen()) {
        m_officeVersion = 0;
        return false;
    }
    const std::optional<OfficeFigures> taken =
        takeOfficeFigures(m_session->store(), m_table, &mergeDeskIndex);
    if (!taken) {
        // This desk's own file serves until the register answers again.
        m_officeVersion = 0;
        const QString text = QStringLiteral("Indices du registre inaccessibles\u00a0: ")
                             + m_session->store().error();
        statut->setText(text);
        statut->setToolTip(text);
        return false;
    }
    m_officeVersion = taken->version;
    if (const QString said = (taken->summary + u' ' + taken->notice).trimmed(); !said.isEmpty()) {
        statut->setText(said);
        statut->setToolTip(said);
    }
    if (!taken->notice.isEmpty())
        MessageBox::information(this, kTitle, taken->notice);
    return taken->taken;
}

void MainWindow::officeNews()
{
    if (!officeOpen())
        return;
    // This desk's file changed since it was last seen (an editor): what it
    // holds goes to the register first, never under the copy.
    if (indexFileBytes() != m_seenBytes) {
        loadTable();
        return;
    }
    const std::optional<OfficeFigures> followed =
        followOfficeFigures(m_session->store(), m_table, m_officeVersion);
    // A server that stopped answering is the register window's to show.
    if (!followed || followed->version == m_officeVersion)
        return;
    m_officeVersion = followed->version;
    m_seenBytes = indexFileBytes();
    reviseAgain();
    resetScrollBar();
    fillGrid();
    showStaleness();
    const QString text =
        (QStringLiteral(
             "Indices du registre mis à jour par un autre poste\u00a0: ils vont jusqu’au %1.")
             .arg(m_table.newestQuarter().label())
         + u' ' + followed->notice)
            .trimmed();
    statut->setText(text);
    statut->setToolTip(text);
    emit tableLoaded();
}

IndexTarget MainWindow::indexTarget(bool mayOpen)
{
    // Opened with what the session already has (~/.pgpass, a password given
    // earlier): a change never waits on a password asked here.
    if (mayOpen && m_session && m_session->server() && !officeOpen() && !m_session->isWorking())
        m_session->openStore();
    if (officeOpen())
        return officeTarget(m_session->store(), m_table, &m_officeVersion);
    return indexFileTarget(m_table.filePath);
}

QString MainWindow::officeMissed() const
{
    if (!m_session || !m_session->server() || officeOpen())
        return {};
    return QStringLiteral(
        "Le registre des baux n’est pas ouvert (serveur injoignable, ou mot de "
        "passe à donner dans «\u00a0Baux\u00a0»)\u00a0: seul le fichier des indices de ce poste "
        "est complété\u00a0; il complétera ceux du registre à sa prochaine "
        "ouverture.");
}

} // namespace velmaris
