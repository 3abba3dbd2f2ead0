// SPDX-License-Identifier: GPL-3.0-or-later
#include "ownersdialog.h"

#include "messages.h"
#include "ownerform.h"
#include "quoting.h"
#include "registersession.h"
#include "windowfit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmaris {

namespace {

template <typename T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

const QString kTitle = QStringLiteral("Bailleurs");

enum Column { Name, Kind, Town, Leases, Columns };

QTableWidgetItem* cell(const QString& text, qint64 id)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setData(Qt::UserRole, id);
    item->setToolTip(text);
    return item;
}

} // namespace

OwnersDialog::OwnersDialog(RegisterSession& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
{
    setObjectName(QStringLiteral("Bailleurs"));
    setWindowTitle(QStringLiteral("Velmaris — Bailleurs"));
    buildControls();
    connect(&m_session, &RegisterSession::leaseChanged, this, &OwnersDialog::reload);
    reload();
}

void OwnersDialog::buildControls()
{
    liste = named(new QTableWidget(0, Columns, this), QStringLiteral("liste"));
    liste->setTabKeyNavigation(false); // Tab goes on to the commands
    liste->setHorizontalHeaderLabels({QStringLiteral("Bailleur"), QStringLiteral("Qualité"),
                                      QStringLiteral("Commune"), QStringLiteral("Baux")});
    liste->verticalHeader()->hide();
    liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    liste->setSelectionMode(QAbstractItemView::SingleSelection);
    liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste->setTabKeyNavigation(false);
    liste->setAlternatingRowColors(true);
    QHeaderView* header = liste->horizontalHeader();
    header->setSectionResizeMode(Name, QHeaderView::Stretch);
    for (int c : {Kind, Town, Leases})
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    const QFontMetrics metrics(liste->font());
    liste->setMinimumSize(
        withinScreen(this, QSize(metrics.averageCharWidth() * 90, metrics.lineSpacing() * 18)));

    etat = named(new QLabel(this), QStringLiteral("etat"));
    etat->setWordWrap(true);
    etat->hide();

    auto button = [this](const QString& text, const QString& name) {
        auto* b = named(new QPushButton(text, this), name);
        b->setAutoDefault(false);
        return b;
    };
    ajouter = button(QStringLiteral("&Ajouter…"), QStringLiteral("ajouter"));
    modifier = button(QStringLiteral("&Modifier…"), QStringLiteral("modifier"));
    supprimer = button(QStringLiteral("&Supprimer"), QStringLiteral("supprimer"));
    fermer = button(QStringLiteral("&Fermer"), QStringLiteral("fermer"));

    auto* side = new QVBoxLayout;
    for (QPushButton* b : {ajouter, modifier, supprimer})
        side->addWidget(b);
    side->addStretch(1);
    side->addWidget(fermer);
    auto* main = new QVBoxLayout;
    main->addWidget(etat);
    main->addWidget(liste, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(main, 1);
    layout->addLayout(side);

    connect(ajouter, &QPushButton::clicked, this, &OwnersDialog::addOwner);
    connect(modifier, &QPushButton::clicked, this, &OwnersDialog::editOwner);
    connect(supprimer, &QPushButton::clicked, this, &OwnersDialog::removeOwner);
    connect(fermer, &QPushButton::clicked, this, &OwnersDialog::reject);
    connect(liste, &QTableWidget::itemSelectionChanged, this, &OwnersDialog::updateButtons);
    connect(liste, &QTableWidget::cellDoubleClicked, this, &OwnersDialog::editOwner);
    scrollWhenSmall(this);
}

void OwnersDialog::reload()
{
    LeaseStore& store = m_session.store();
    const qint64 keep = selectedOwnerId();
    std::optional<std::vector<Owner>> owners;
    std::optional<QHash<qint64, int>> counts;
    std::optional<Owner> fallback;
    if (store.isOpen()) {
        owners = store.owners();
        counts = owners ? store.leaseCountsByOwner() : std::nullopt;
        fallback = counts ? store.defaultOwner() : std::nullopt;
    }
    if (!owners || !counts || !fallback) {
        // What is listed stays: it was right when it was read.
        etat->setText(store.isOpen() ? store.error()
                                     : QStringLiteral("Le registre des baux n’est pas ouvert."));
        etat->show();
        updateButtons();
        return;
    }
    etat->setVisible(store.isReadOnly());
    if (store.isReadOnly())
        etat->setText(QStringLiteral("Lecture seule\u00a0: ") + store.readOnlyReason()
                      + QStringLiteral(". Les bailleurs se consultent sans se modifier."));
    m_owners = std::move(*owners);
    liste->setRowCount(int(m_owners.size()));
    for (int row = 0; row < int(m_owners.size()); ++row) {
        const Owner& o = m_owners[std::size_t(row)];
        QString name = o.name;
        if (o.id == fallback->id)
            name += QStringLiteral(" (par défaut)");
        liste->setItem(row, Name, cell(name, o.id));
        liste->setItem(row, Kind, cell(ownerKindText(o.kind), o.id));
        liste->setItem(row, Town, cell(o.town, o.id));
        QTableWidgetItem* count = cell(QString::number(counts->value(o.id)), o.id);
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        liste->setItem(row, Leases, count);
    }
    selectOwner(keep);
    updateButtons();
}

qint64 OwnersDialog::selectedOwnerId() const
{
    const QList<QTableWidgetItem*> chosen = liste->selectedItems();
    return chosen.isEmpty() ? 0 : chosen.front()->data(Qt::UserRole).toLongLong();
}

void OwnersDialog::selectOwner(qint64 id)
{
    for (int row = 0; row < liste->rowCount(); ++row)
        if (liste->item(row, Name)->data(Qt::UserRole).toLongLong() == id) {
            liste->selectRow(row);
            liste->scrollToItem(liste->item(row, Name));
            return;
        }
    liste->clearSelection();
}

void OwnersDialog::updateButtons()
{
    LeaseStore& store = m_session.store();
    const bool writable = store.isOpen() && !store.isReadOnly();
    const bool chosen = selectedOwnerId() != 0;
    ajouter->setEnabled(writable);
    supprimer->setEnabled(writable && chosen);
    modifier->setEnabled(store.isOpen() && chosen);
    modifier->setText(writable ? QStringLiteral("&Modifier…") : QStringLiteral("&Consulter…"));
    const QString why = store.isOpen() && !writable ? QStringLiteral("Lecture seule\u00a0: ")
                                                          + store.readOnlyReason() + u'.'
                                                    : QString();
    ajouter->setToolTip(why);
    supprimer->setToolTip(why);
}

void OwnersDialog::addOwner()
{
    if (const qint64 id = velmaris::addOwner(this, m_session))
        selectOwner(id); // the session's news listed it already
}

void OwnersDialog::editOwner()
{
    if (const qint64 id = selectedOwnerId())
        velmaris::editOwner(this, m_session, id);
}

void OwnersDialog::removeOwner()
{
    const qint64 id = selectedOwnerId();
    const auto it =
        std::find_if(m_owners.begin(), m_owners.end(), [id](const Owner& o) { return o.id == id; });
    if (it == m_owners.end())
        return;
    const Owner chosen = *it;
    LeaseStore& store = m_session.store();
    // Counted now, not when listed: an owner left with no lease is asked about
    // first; one that still holds some gets the store's refusal, which says how many.
    const std::optional<QHash<qint64, int>> counts = store.leaseCountsByOwner();
    if (!counts) {
        MessageBox::critical(this, kTitle, store.error());
        return;
    }
    if (counts->value(id) == 0
        && !MessageBox::question(this, QStringLiteral("Supprimer un bailleur"),
                                 QStringLiteral("Supprimer le bailleur ") + quoted(chosen.name)
                                     + QStringLiteral("\u00a0?")))
        return;
    if (!store.removeOwner(id, chosen.version)) {
        MessageBox::critical(this, kTitle, store.error());
        reload();
        return;
    }
    m_session.announce(0);
}

} // namespace velmaris
