// SPDX-License-Identifier: GPL-3.0-or-later
#include "leasehistorydialog.h"

#include "amounts.h"
#include "dates.h"
#include "indexvalue.h"
#include "windowfit.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace velmaris {

namespace {

// Who recorded a revision and when, at this desk's clock ("mdurand, le
// 15/11/2025 à 14:32"); empty for revisions recorded before that was kept.
QString appliedText(const RevisionRecord& rec)
{
    QStringList parts;
    if (!rec.appliedBy.isEmpty())
        parts << rec.appliedBy;
    if (rec.appliedAt.isValid()) {
        const QDateTime local = rec.appliedAt.toLocalTime();
        parts << QStringLiteral("le %1 à %2")
                     .arg(dateText(local.date()), local.time().toString(QStringLiteral("HH:mm")));
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

void LeaseHistoryDialog::fillRow(int r, const RevisionRecord& rec)
{
    const QString cells[ColumnCount] = {
        dateText(rec.dueDate),
        dateText(rec.requestDate),
        dateText(rec.effectiveDate),
        eurosText(rec.oldRentCents),
        eurosText(rec.newRentCents),
        rec.baseQuarter.label(),
        indexText(rec.baseValue),
        rec.newQuarter.label(),
        indexText(rec.newValue),
        seriesName(rec.series),
        appliedText(rec),
        QString(rec.notes).replace(u'\n', QStringLiteral(" · ")),
    };
    for (int c = 0; c < ColumnCount; ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        if (c == OldRent || c == NewRent || c == BaseValue || c == NewValue)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (c == Notes)
            item->setToolTip(rec.notes);
        revisions->setItem(r, c, item);
    }
}

LeaseHistoryDialog::LeaseHistoryDialog(const Lease& lease,
                                       const std::vector<RevisionRecord>& history,
                                       const std::vector<SentLetter>& letters, QWidget* parent)
    : QDialog(parent)
    , m_history(history)
{
    setObjectName(QStringLiteral("Historique"));
    setWindowTitle(QStringLiteral("Historique du bail ") + lease.reference);
    std::stable_sort(
        m_history.begin(), m_history.end(),
        [](const RevisionRecord& a, const RevisionRecord& b) { return a.dueDate < b.dueDate; });

    bail = new QLabel(this);
    bail->setObjectName(QStringLiteral("bail"));
    bail->setWordWrap(true);
    QString summary = QStringLiteral("Bail ") + lease.reference;
    if (!lease.tenant.isEmpty())
        summary += QStringLiteral(" — ") + lease.tenant;
    summary += QStringLiteral(" — loyer actuel ") + eurosText(lease.rentCents);
    if (m_history.empty())
        summary += QStringLiteral("\nAucune révision enregistrée.");
    bail->setText(summary);

    revisions = new QTableWidget(int(m_history.size()), ColumnCount, this);
    revisions->setTabKeyNavigation(false); // Tab goes on to the notes
    revisions->setObjectName(QStringLiteral("revisions"));
    revisions->setHorizontalHeaderLabels(
        // Headings on two lines: the figures, not their names, set the widths.
        {QStringLiteral("Révision\ndu"), QStringLiteral("Demandée\nle"),
         QStringLiteral("Effet\nle"), QStringLiteral("Ancien\nloyer"),
         QStringLiteral("Nouveau\nloyer"), QStringLiteral("Trimestre\nde base"),
         QStringLiteral("Indice\nde base"), QStringLiteral("Nouveau\ntrimestre"),
         QStringLiteral("Nouvel\nindice"), QStringLiteral("Série"),
         QStringLiteral("Appliquée\npar"), QStringLiteral("Notes")});
    revisions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    revisions->setSelectionBehavior(QAbstractItemView::SelectRows);
    revisions->setSelectionMode(QAbstractItemView::SingleSelection);
    revisions->verticalHeader()->hide();
    revisions->setWordWrap(false);
    for (int r = 0; r < int(m_history.size()); ++r)
        fillRow(r, m_history[std::size_t(r)]);
    revisions->resizeColumnsToContents();
    revisions->setColumnWidth(Notes, 160); // read whole in the box below
    revisions->horizontalHeader()->setStretchLastSection(true);

    notesrevision = new QPlainTextEdit(this);
    notesrevision->setObjectName(QStringLiteral("notesrevision"));
    notesrevision->setReadOnly(true);
    notesrevision->setMaximumHeight(130);
    connect(revisions, &QTableWidget::currentCellChanged, this, [this](int row) {
        notesrevision->setPlainText(row >= 0 && row < int(m_history.size())
                                        ? m_history[std::size_t(row)].notes
                                        : QString());
    });

    lettres = new QLabel(this);
    lettres->setObjectName(QStringLiteral("lettres"));
    lettres->setWordWrap(true);
    lettres->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QStringList sent;
    for (const SentLetter& letter : letters) {
        QString line = QStringLiteral("révision du ") + dateText(letter.dueDate)
                       + QStringLiteral("\u00a0: ") + sentLetterText(letter);
        if (!letter.sentBy.isEmpty())
            line += QStringLiteral(" (") + letter.sentBy + u')';
        sent << line;
    }
    lettres->setText(sent.isEmpty() ? QStringLiteral("Aucune lettre de révision envoyée.")
                                    : QStringLiteral("Lettres envoyées\u00a0:\n") + sent.join(u'\n'));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("Fermer"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("fermer"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bail);
    layout->addWidget(revisions, 1);
    layout->addWidget(new QLabel(QStringLiteral("Notes de la révision choisie\u00a0:"), this));
    layout->addWidget(notesrevision);
    layout->addWidget(lettres);
    layout->addWidget(buttons);
    giveMnemonics(this);
    scrollWhenSmall(this, buttons);
    fitToScreen(this, size().expandedTo(QSize(900, 420)));
    // The newest revision is the one usually looked for.
    if (!m_history.empty())
        revisions->setCurrentCell(int(m_history.size()) - 1, 0);
}

} // namespace velmaris
