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

#include <vector>

namespace velmaris {

namespace {

const QString kImpossible = QStringLiteral("Calcul impossible");

std::vector<QString> rentsOf(const IndexTable& table)
{
    std::vector<QString> rents;
    rents.reserve(table.rows.size());
    for (const IndexRow& row : table.rows)
        rents.push_back(row.rent);
    return rents;
}

bool sameRents(const IndexTable& table, const std::vector<QString>& rents)
{
    if (rents.size() != table.rows.size())
        return false;
    for (std::size_t k = 0; k < rents.size(); ++k) {
        if (table.rows[k].rent != rents[k])
            return false;
    }
    return true;
}

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
    box->setText(*typed);

    const int row = m_table.topRow + i;
    if (!m_table.hasRow(row))
        return; // a line below the end of a short table
    const std::vector<QString> before = rentsOf(m_table);
    m_table.referenceRow = row;
    m_table.rows[row].rent = *typed;

    m_inRevision = true;
    const RevisionResult result =
        reviseRents(m_table, row, datedubail->text(), reeval->isChecked(), m_locale);
    fillGrid();
    // Leaving the box repeats the Enter just done: the same failure, already
    // told, is not told again.
    if (!result.ok() && !(fromLeaving && sameRents(m_table, before)))
        MessageBox::critical(this, kImpossible, result.message);
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
        clearRents(m_table);
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
