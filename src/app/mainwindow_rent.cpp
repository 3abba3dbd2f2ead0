// Rent boxes and lease date: the events of the grid's editable column.
#include "mainwindow.h"

#include "cursor.h"
#include "dates.h"
#include "leasedate.h"
#include "messages.h"
#include "numbers.h"
#include "rententry.h"
#include "revision.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>

namespace velmaris {

namespace {

const QString kImpossible = QStringLiteral("Calcul impossible");

// Blanks only: nothing typed that the user could see or correct.
bool isBlankText(const QString& text)
{
    return text.trimmed().isEmpty();
}

} // namespace

void MainWindow::loyerClick(int i)
{
    // The lease-date box refused to let go of a text that is no date: this
    // click did not reach the rent box, and must not wipe what is to be fixed.
    if (datedubail->hasFocus())
        return;
    datedubail->clear();
    m_table.referenceRow = m_table.topRow + i;
}

void MainWindow::loyerGotFocus(int i)
{
    m_table.referenceRow = m_table.topRow + i;
    loyer[i]->selectAll();
}

void MainWindow::loyerEnter(int i, bool fromLeaving)
{
    // Nothing may start a second run while one is on (or its message is up).
    if (m_inRevision)
        return;
    QLineEdit* box = loyer[i];
    const std::optional<QString> typed = normaliseRentText(box->text(), m_locale);
    if (!typed) {
        // Too large to be a rent: the user corrects it where it stands.
        box->setFocus();
        box->selectAll();
        return;
    }
    // No amount to revise: nothing happens, as when leaving the box.
    const std::optional<qint64> cents = typedRentCents(box->text());
    if (!cents)
        return;
    box->setText(*typed);
    const int row = m_table.topRow + i;
    if (!m_table.hasRow(row))
        return; // a line below the end of a short table

    RevisionRequest request;
    request.reference = m_table.rows[std::size_t(row)].quarter;
    request.cents = *cents;
    request.leaseDate = parseFrenchDate(datedubail->text());
    request.reeval = reeval->isChecked();
    // Leaving the box repeats the Enter just done: the same failure, already
    // told, is not told again.
    const bool told = fromLeaving && !m_schedule.ok() && m_schedule.request == request;

    m_inRevision = true;
    m_table.referenceRow = row;
    m_schedule = reviseRents(m_table, request);
    fillGrid();
    if (!m_schedule.ok() && !told)
        MessageBox::critical(this, kImpossible, m_schedule.message);
    m_inRevision = false;
}

void MainWindow::loyerLostFocus(int i)
{
    if (parseNumber(loyer[i]->text()) != 0)
        loyerEnter(i, true);
}

void MainWindow::datedubailEnter()
{
    const QString text = datedubail->text();
    if (parseFrenchDate(text)) {
        m_schedule = Schedule();
        findReferenceIndex();
        return;
    }
    if (isBlankText(text))
        return;
    // Not a date: the user stays here until it is one, or the box is empty.
    beep();
    datedubail->selectAll();
    datedubail->setFocus();
}

void MainWindow::findReferenceIndex()
{
    const std::optional<QDate> lease = parseFrenchDate(datedubail->text());
    if (!lease || m_table.rows.empty())
        return;

    const int row = findLeaseRow(m_table, *lease);
    if (row < 0) {
        // The rents are already emptied: show it at once, not on the next fill.
        fillGrid();
        MessageBox::critical(this, kImpossible,
                             QStringLiteral("Pas d'indice inférieur au ")
                                 + formatShortDate(m_table.rows.back().published, m_locale));
        return;
    }

    m_table.referenceRow = row;
    const int top = topRowShowing(row);
    barreinsee->setValue(top); // fills the grid when the position changes
    m_table.topRow = top;
    fillGrid();
    QLineEdit* box = loyer[row - top];
    box->setFocus();
    box->selectAll();
}

} // namespace velmaris
