// SPDX-License-Identifier: GPL-3.0-or-later
#include "duerevisionsdialog.h"
#include "typography.h"

#include "amounts.h"
#include "cursor.h"
#include "dates.h"
#include "leasestore.h"
#include "messages.h"
#include "registersession.h"
#include "storeprogress.h"
#include "windowfit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmaris {

namespace {

const QString kTitle = QStringLiteral("Révisions dues");

QTableWidgetItem* cell(const QString& text, bool right = false)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (right)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

DueRevisionsDialog::DueRevisionsDialog(RegisterSession& session, const IndexTable& table,
                                       const QDate& day, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_store(session.store())
{
    setObjectName(QStringLiteral("RevisionsDues"));
    setWindowTitle(kTitle);
    liste = new QTableWidget(0, 6, this);
    liste->setTabKeyNavigation(false); // Tab goes on to the commands
    liste->setObjectName(QStringLiteral("liste"));
    liste->setHorizontalHeaderLabels({QStringLiteral("Bail"), QStringLiteral("Locataire"),
                                      QStringLiteral("Loyer"), QStringLiteral("Nouveau loyer"),
                                      QStringLiteral("Effet"), QStringLiteral("Enregistrement")});
    liste->verticalHeader()->hide();
    liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste->setTabKeyNavigation(false);
    liste->setWordWrap(true);
    QHeaderView* header = liste->horizontalHeader();
    for (int c = 0; c < 5; ++c)
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(5, QHeaderView::Stretch);
    const QFontMetrics metrics(liste->font());
    liste->setMinimumSize(
        withinScreen(this, QSize(metrics.averageCharWidth() * 110, metrics.lineSpacing() * 14)));
    compte = new QLabel(this);
    compte->setObjectName(QStringLiteral("compte"));
    compte->setWordWrap(true);
    enregistrer = new QPushButton(this);
    enregistrer->setObjectName(QStringLiteral("enregistrer"));
    fermer = new QPushButton(QStringLiteral("&Annuler"), this);
    fermer->setObjectName(QStringLiteral("fermer"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(enregistrer);
    buttons->addWidget(fermer);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(liste, 1);
    layout->addWidget(compte);
    layout->addLayout(buttons);
    connect(enregistrer, &QPushButton::clicked, this, &DueRevisionsDialog::record);
    connect(fermer, &QPushButton::clicked, this, &QDialog::reject);

    {
        const BusyCursor busy;
        std::optional<DueBatch> planned = planDueRevisions(m_store, table, day);
        if (planned)
            m_batch = std::move(*planned);
        else
            m_batch.date = day;
        if (!planned)
            compte->setText(m_store.error());
    }
    fill();
    // Sized once the count below the list is written: it may take two lines.
    scrollWhenSmall(this, buttons);
}

void DueRevisionsDialog::fill()
{
    liste->setRowCount(int(m_batch.items.size()));
    int row = 0;
    for (const DueRevision& item : m_batch.items) {
        const LawfulRevision& r = item.revision;
        const bool shown = item.recordable() && (item.recorded || !m_done);
        QString outcome = item.recorded ? QStringLiteral("enregistrée")
                          : !item.reason.isEmpty()
                              ? QStringLiteral("non enregistrée\u00a0: ") + item.reason
                              : QStringLiteral("à enregistrer");
        liste->setItem(row, 0, cell(item.lease.reference));
        liste->setItem(row, 1, cell(item.lease.tenant));
        liste->setItem(row, 2, cell(eurosText(item.lease.rentCents), true));
        liste->setItem(row, 3, cell(shown ? eurosText(r.newRentCents) : QString(), true));
        liste->setItem(row, 4, cell(shown ? dateText(r.effectiveDate) : QString()));
        QTableWidgetItem* said = cell(outcome);
        said->setToolTip(outcome); // a long reason is cut short in its cell
        liste->setItem(row, 5, said);
        ++row;
    }
    const int recordable = m_batch.recordableCount();
    const int others = int(m_batch.items.size()) - recordable;
    if (m_done) {
        const int recorded = m_batch.recordedCount();
        const int left = int(m_batch.items.size()) - recorded;
        compte->setText(countOf(recorded, u"révision enregistrée", u"révisions enregistrées", true)
                        + QStringLiteral(" au ") + dateText(m_batch.date)
                        + (left > 0 ? QStringLiteral("\u00a0; ")
                                          + countOf(left, u"autre non enregistrée",
                                                    u"autres non enregistrées", true)
                                    : QString())
                        + u'.');
    } else if (compte->text().isEmpty()) {
        QString text =
            m_batch.items.empty()
                ? QStringLiteral("Aucune révision due au %1.").arg(dateText(m_batch.date))
                : countOf(recordable, u"révision à enregistrer", u"révisions à enregistrer", true)
                      + QStringLiteral(" au ") + dateText(m_batch.date)
                      + (recordable == 0   ? QStringLiteral(".")
                         : recordable == 1 ? QStringLiteral(", demandée ce jour.")
                                           : QStringLiteral(", demandées ce jour."));
        if (others > 0)
            text += others == 1
                        ? QStringLiteral(" Une autre ne peut pas l’être\u00a0: la raison est en "
                                         "regard.")
                        : QStringLiteral(" %1 autres ne peuvent pas l’être\u00a0: la raison "
                                         "est en regard.")
                              .arg(others);
        compte->setText(text);
    }
    enregistrer->setText(recordable == 1
                             ? QStringLiteral("&Enregistrer la révision")
                             : QStringLiteral("&Enregistrer les %1 révisions").arg(recordable));
    enregistrer->setEnabled(!m_done && recordable > 0 && !m_store.isReadOnly());
    enregistrer->setDefault(enregistrer->isEnabled());
    fermer->setText(m_done || recordable == 0 ? QStringLiteral("&Fermer")
                                              : QStringLiteral("&Annuler"));
}

void DueRevisionsDialog::record()
{
    bool ok = false;
    {
        const StoreProgress progress(m_session, this,
                                     QStringLiteral("Enregistrement des révisions dues…"));
        ok = applyDueRevisions(m_store, m_batch);
    }
    if (!ok && m_store.errorKind() == StoreError::Canceled) {
        compte->setText(QStringLiteral("Enregistrement annulé\u00a0: aucune révision n’est "
                                       "enregistrée, le registre n’a pas été modifié."));
        return;
    }
    if (!ok) {
        MessageBox::critical(this, kTitle, m_store.error());
        return;
    }
    m_done = true;
    fill();
    fermer->setFocus();
    if (m_batch.recordedCount() > 0)
        emit recorded();
}

} // namespace velmaris
