// SPDX-License-Identifier: GPL-3.0-or-later
// Printing, saving and copying the table, as the main window drives them.
#include "mainwindow.h"

#include "clipboardcopy.h"
#include "dates.h"
#include "defaultprinter.h"
#include "filechoice.h"
#include "messages.h"
#include "quoting.h"
#include "reportprinter.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStandardPaths>

namespace velmaris {

namespace {

// The table as paper shows it, under its heading: the revision on the grid,
// printed today. A lease date looked up with no rent typed yet belongs to it
// all the same.
ReportRows paperRows(const IndexTable& table, int referenceRow, const Schedule& schedule,
                     bool reeval, const NumberStyle& style, const QString& leaseDateTyped)
{
    ReportRows rows = reportRows(table, referenceRow, schedule, reeval, style);
    rows.heading = reportHeading(table, referenceRow, schedule, QDate::currentDate(), style);
    if (!rows.heading.leaseDate.isValid() && !rows.heading.referenceQuarter.isEmpty())
        rows.heading.leaseDate = parseFrenchDate(leaseDateTyped).value_or(QDate());
    return rows;
}

} // namespace

// All of them read the "réévalué" box as it stands now.
void MainWindow::printReport()
{
    const ReportRows rows =
        paperRows(m_table, m_view.referenceRow, m_schedule, reeval && reeval->isChecked(), m_style,
                  m_leaseQuarter.isValid() ? datedubail->text() : QString());
    printOnDefaultPrinter(
        QStringLiteral("Velmaris"), PrintPages::AsPrinterSetsUp,
        [&](QPagedPaintDevice& printer) { return drawReport(printer, rows); }, this);
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
        const ReportRows rows =
            paperRows(m_table, m_view.referenceRow, m_schedule, reeval && reeval->isChecked(),
                      m_style, m_leaseQuarter.isValid() ? datedubail->text() : QString());
        if (writeTableReportPdf(path, rows, &reason))
            return;
    }
    MessageBox::critical(this, title,
                         QStringLiteral("Le fichier ") + quotedPath(path)
                             + QStringLiteral(" n’a pas pu être écrit\u00a0: ") + reason + u'.');
}

void MainWindow::copyTable()
{
    copyTableToClipboard(m_table, m_view.referenceRow, m_schedule, reeval && reeval->isChecked(),
                         m_style);
}

} // namespace velmaris
