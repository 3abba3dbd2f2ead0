// SPDX-License-Identifier: GPL-3.0-or-later
// The register window's work on many leases at once: the leases in and out
// as a CSV file, and the month's batch of revisions.
#include "registerwindow.h"

#include "cursor.h"
#include "duerevisionsdialog.h"
#include "filechoice.h"
#include "leasecsv.h"
#include "messages.h"
#include "quoting.h"
#include "storeprogress.h"

#include <QDir>

namespace velmaris {

namespace {

const QString kCsvFilter = QStringLiteral("Fichiers CSV (*.csv);;Tous les fichiers (*)");

} // namespace

void RegisterWindow::applyDue()
{
    if (!writable())
        return;
    auto* dialog = new DueRevisionsDialog(m_session, m_table, today(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &DueRevisionsDialog::recorded, this, [this] { changed(0, selectedLeaseId()); });
    dialog->open();
}

void RegisterWindow::importCsv()
{
    if (!writable())
        return;
    const QString path = FileChoice::open(this, QStringLiteral("Importer des baux"), kCsvFilter);
    if (path.isEmpty())
        return;
    ImportOutcome outcome;
    {
        const StoreProgress progress(m_session, this, QStringLiteral("Import des baux…"));
        outcome = importLeasesCsv(m_store, path);
    }
    if (!outcome.ok && m_store.errorKind() == StoreError::Canceled) {
        MessageBox::information(this, QStringLiteral("Importer des baux"),
                                QStringLiteral("Import annulé\u00a0: aucun bail n’est importé, le "
                                               "registre n’a pas été modifié."));
        return;
    }
    if (!outcome.ok) {
        MessageBox::criticalList(this, QStringLiteral("Importer des baux"),
                                 QStringLiteral("Aucun bail n’est importé de ") + quotedPath(path)
                                     + QStringLiteral("\u00a0:"),
                                 outcome.errors);
        return;
    }
    changed(0, selectedLeaseId());
    MessageBox::information(this, QStringLiteral("Importer des baux"),
                            outcome.imported == 0
                                ? QStringLiteral("Aucun bail dans ") + quotedPath(path) + u'.'
                                : leaseCount(outcome.imported)
                                      + (outcome.imported == 1 ? QStringLiteral(" importé.")
                                                               : QStringLiteral(" importés.")));
}

void RegisterWindow::exportCsv()
{
    if (!m_store.isOpen())
        return;
    const QString path =
        FileChoice::save(this, QStringLiteral("Exporter les baux"),
                         QDir::home().filePath(QStringLiteral("baux.csv")), kCsvFilter);
    if (path.isEmpty())
        return;
    QString error = outputRefusal(path, m_programFolders);
    bool ok = false;
    if (!error.isEmpty()) {
        error = QStringLiteral("Export impossible\u00a0: ") + error + u'.';
    } else {
        const BusyCursor busy;
        ok = exportLeasesCsv(m_store, path, &error);
    }
    if (!ok) {
        MessageBox::critical(this, QStringLiteral("Exporter les baux"), error);
        return;
    }
    MessageBox::information(this, QStringLiteral("Exporter les baux"),
                            QStringLiteral("Le registre des baux est exporté dans ")
                                + quotedPath(path) + u'.');
}

} // namespace velmaris
