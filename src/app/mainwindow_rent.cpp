// SPDX-License-Identifier: GPL-3.0-or-later
// Rent boxes and lease date: the events of the grid's editable column.
#include "mainwindow.h"

#include "cursor.h"
#include "dates.h"
#include "leasedate.h"
#include "messages.h"
#include "numbers.h"
#include "rententry.h"
#include "revision.h"
#include "staleness.h"

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
    // A click in the box the lease date found is the user coming to type the
    // rent there; a click elsewhere chooses another quarter and leaves the lease.
    const int row = m_view.topRow + i;
    if (m_leaseQuarter.isValid() && m_table.hasRow(row)
        && m_table.rows[std::size_t(row)].quarter == m_leaseQuarter)
        return;
    datedubail->clear();
    m_leaseQuarter = Quarter();
    m_leaseTextOnFocus.clear();
}

void MainWindow::loyerGotFocus(int i)
{
    // Walking through the boxes chooses nothing: the reference row is the one
    // whose rent was typed (or that the lease date found).
    m_edited[std::size_t(i)] = false;
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
    const int row = m_view.topRow + i;
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
    // Done: leaving the box now changes nothing more.
    m_edited[std::size_t(i)] = false;
    m_view.referenceRow = row;
    m_schedule = reviseRents(m_table, request);
    fillGrid();
    if (!m_schedule.ok() && !told)
        MessageBox::critical(this, kImpossible, m_schedule.message);
    m_inRevision = false;
}

void MainWindow::loyerLostFocus(int i)
{
    // Only what the user typed since coming into the box counts.
    if (m_edited[std::size_t(i)] && parseNumber(loyer[i]->text()) != 0)
        loyerEnter(i, true);
    m_edited[std::size_t(i)] = false;
}

void MainWindow::commitTyping()
{
    for (int i = 0; i < kGridLines; ++i) {
        if (!m_edited[std::size_t(i)])
            continue;
        if (parseNumber(loyer[i]->text()) != 0)
            loyerEnter(i, true);
        m_edited[std::size_t(i)] = false; // what was no amount is not kept on another row
    }
}

void MainWindow::reevalToggled()
{
    // A revision on screen follows the box at once, as the headings of the
    // printed and copied table do.
    if (m_schedule.request.cents <= 0 || m_inRevision)
        return;
    RevisionRequest request = m_schedule.request;
    request.reeval = reeval->isChecked();
    const QString before = m_schedule.message;
    m_schedule = reviseRents(m_table, request);
    fillGrid();
    if (!m_schedule.ok() && m_schedule.message != before)
        MessageBox::critical(this, kImpossible, m_schedule.message);
}

void MainWindow::reviseAgain()
{
    // New rows: shown from the top, the reference found again below.
    m_view = GridView();
    if (m_leaseQuarter.isValid() && m_table.rowOf(m_leaseQuarter) < 0)
        m_leaseQuarter = Quarter();
    if (m_schedule.request.cents <= 0) {
        // A lease date looked up, no rent typed yet: its quarter stays the reference.
        m_schedule = Schedule();
        m_view.referenceRow = m_table.rowOf(m_leaseQuarter);
        return;
    }
    const int row = m_table.rowOf(m_schedule.request.reference);
    if (row < 0) {
        m_schedule = Schedule(); // that quarter is gone: no rent beside another one
        return;
    }
    m_view.referenceRow = row;
    m_schedule = reviseRents(m_table, m_schedule.request);
}

void MainWindow::datedubailGotFocus()
{
    m_leaseTextOnFocus = datedubail->text();
}

void MainWindow::datedubailLostFocus()
{
    // Passing through the box with the date it had changes nothing; a text
    // that is no date still keeps the user there.
    const QString text = datedubail->text();
    if (text == m_leaseTextOnFocus && (isBlankText(text) || parseFrenchDate(text)))
        return;
    datedubailEnter();
}

void MainWindow::datedubailEnter()
{
    const QString text = datedubail->text();
    if (parseFrenchDate(text)) {
        m_leaseTextOnFocus = text; // leaving the box next does not run it again
        m_schedule = Schedule();
        findReferenceIndex();
        return;
    }
    m_leaseQuarter = Quarter();
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
                             QStringLiteral("Pas d’indice inférieur au ")
                                 + formatShortDate(m_table.rows.back().published, m_style));
        return;
    }

    m_view.referenceRow = row;
    m_leaseQuarter = m_table.rows[std::size_t(row)].quarter;
    const int top = topRowShowing(row);
    barreinsee->setValue(top); // fills the grid when the position changes
    m_view.topRow = top;
    fillGrid();
    QLineEdit* box = loyer[row - top];
    box->setFocus();
    box->selectAll();
    if (leaseMayFollowAMissingIndex(m_table, *lease))
        MessageBox::information(this, QStringLiteral("Indices à mettre à jour"),
                                kLeaseAfterKnownIndices.toString());
}

} // namespace velmaris
