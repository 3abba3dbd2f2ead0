// Printing and copying the table, as the main window drives them.
#include "mainwindow.h"

#include "clipboardtext.h"
#include "reportprinter.h"

#include <QCheckBox>

namespace velmaris {

// Both read the "réévalué" box as it stands now.
void MainWindow::printReport()
{
    printTableReport(m_table, m_view.referenceRow, m_schedule, reeval && reeval->isChecked(),
                     m_locale, this);
}

void MainWindow::copyTable()
{
    copyTableToClipboard(m_table, m_view.referenceRow, m_schedule, reeval && reeval->isChecked(),
                         m_locale);
}

} // namespace velmaris
