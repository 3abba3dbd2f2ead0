// The main window's index file: read, and when it cannot be, the copy shipped
// with the program offered in its place.
#include "mainwindow.h"

#include "indexrestore.h"
#include "messages.h"

#include <QDir>
#include <QScrollBar>

namespace velmaris {

bool MainWindow::loadTable()
{
    IndexFileResult result = loadIndexTable(m_table);
    if (!result.ok())
        result = reportLoadFailure(result);
    if (result.ok())
        reviseAgain();
    resetScrollBar();
    fillGrid();
    showStaleness();
    emit tableLoaded();
    return result.ok();
}

IndexFileResult MainWindow::reportLoadFailure(const IndexFileResult& failure)
{
    const QString title = loadFailureTitle(failure);
    const QString shipped = m_folders.shippedIndex;
    if (!canPutBackShippedIndex(shipped, m_table.filePath)) {
        MessageBox::critical(this, title, loadFailureText(failure));
        return failure;
    }
    const QString offer =
        QStringLiteral(
            "\n\nRemettre à sa place le fichier des indices livré avec Velmaris ?\n%1\n\n"
            "Les trimestres parus depuis seront à télécharger de nouveau (« Mise à "
            "jour »). Le fichier actuel, s'il contient quelque chose, est gardé à côté.")
            .arg(QDir::toNativeSeparators(shipped));
    if (!MessageBox::question(this, title, loadFailureText(failure) + offer))
        return failure;
    const QString reason = putBackShippedIndex(shipped, m_table.filePath);
    if (!reason.isEmpty()) {
        MessageBox::critical(
            this, title, QStringLiteral("Le fichier livré n'a pas été remis : %1.").arg(reason));
        return failure;
    }
    const IndexFileResult again = loadIndexTable(m_table);
    if (!again.ok())
        MessageBox::critical(this, loadFailureTitle(again), loadFailureText(again));
    return again;
}

} // namespace velmaris
