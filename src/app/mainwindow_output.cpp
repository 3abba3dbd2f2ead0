// Printing, saving and copying the table, as the main window drives them.
#include "mainwindow.h"

#include "clipboardcopy.h"
#include "defaultprinter.h"
#include "filechoice.h"
#include "messages.h"
#include "quoting.h"
#include "reportprinter.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmaris {

// All of them read the "réévalué" box as it stands now.
void MainWindow::printReport()
{
    printTableReport(m_table, m_view.referenceRow, m_schedule, reeval && reeval->isChecked(),
                     m_style, this);
}

void MainWindow::saveReportPdf()
{
    const QString title = QStringLiteral("Enregistrer en PDF");
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    QString path = FileChoice::save(this, title,
                                    QDir(folder).filePath(QStringLiteral("Révision du loyer.pdf")),
                                    QStringLiteral("Documents PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().compare(u"pdf", Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".pdf");
    // The index file read is the program's own, wherever it was found.
    DataFolders own = m_folders;
    if (own.indexFolder.isEmpty())
        own.indexFolder = QFileInfo(m_table.filePath).absolutePath();
    QString reason = outputRefusal(path, own);
    if (reason.isEmpty()) {
        const ReportRows rows = reportRows(m_table, m_view.referenceRow, m_schedule,
                                           reeval && reeval->isChecked(), m_style);
        if (writeTableReportPdf(path, rows, &reason))
            return;
    }
    MessageBox::critical(this, title,
                         QStringLiteral("Le fichier ") + quotedPath(path)
                             + QStringLiteral(" n'a pas pu être écrit : ") + reason + u'.');
}

void MainWindow::copyTable()
{
    copyTableToClipboard(m_table, m_view.referenceRow, m_schedule, reeval && reeval->isChecked(),
                         m_style);
}

} // namespace velmaris
