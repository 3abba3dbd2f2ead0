// SPDX-License-Identifier: GPL-3.0-or-later
#include "registerwindow.h"

#include "cursor.h"
#include "leaseform.h"
#include "leasehistorydialog.h"
#include "leaserevisiondialog.h"
#include "messages.h"
#include "quoting.h"
#include "typography.h"

#include <QDir>
#include <QEvent>
#include <QBoxLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace velmaris {

namespace {

const QString kTitle = QStringLiteral("Baux");

} // namespace

QString leaseCount(int n)
{
    return countOf(n, u"bail", u"baux");
}

void RegisterWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrangeSearch();
}

void RegisterWindow::arrangeSearch()
{
    if (!m_searchLines)
        return;
    // Room for the table's side: the window less the commands beside it.
    const auto* area = findChild<QScrollArea*>(QStringLiteral("defilement"));
    const int room = (area ? area->viewport()->width() : width()) - fermer->width()
                     - 4 * layout()->spacing() - 24;
    const auto wanted = [room](QBoxLayout* lines) {
        int need = 0;
        for (int i = 0; i < lines->count(); ++i)
            if (QLayout* inner = lines->itemAt(i)->layout())
                need += inner->minimumSize().width() + lines->spacing();
        return need <= room ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    };
    // The filters first: side by side they may fit below the search.
    m_filterLines->setDirection(wanted(m_filterLines));
    m_searchLines->setDirection(wanted(m_searchLines));
}

RegisterWindow::RegisterWindow(RegisterSession& session, const IndexTable& table, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
    , m_store(session.store())
    , m_table(table)
{
    // Until told the whole set, at least the register itself is never exported over.
    m_programFolders.dataFolder = session.folder();
    connect(&m_session, &RegisterSession::leaseChanged, this, &RegisterWindow::leaseChanged);
    setObjectName(QStringLiteral("Registre"));
    setWindowTitle(QStringLiteral("Velmaris — Baux"));
    // Only the main window's closing ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_filter.setSourceModel(&m_model);
    buildControls();
    m_watch = new QTimer(this);
    m_watch->setInterval(1000);
    connect(m_watch, &QTimer::timeout, this, &RegisterWindow::watchServer);
    if (m_session.server())
        m_watch->start();
}

RegisterWindow::~RegisterWindow() = default;

void RegisterWindow::open()
{
    show();
    raise();
    activateWindow();
    if (!m_store.isOpen()) {
        openStore();
        return;
    }
    // Opened by another window first: the desk's landlord is met all the same.
    if (!m_adopted && writable())
        adoptDeskLandlord();
    reload(); // another program may have changed the file meanwhile
}

bool RegisterWindow::openStore()
{
    etat->hide();
    avis->hide();
    m_adopted = false;
    bool ok = false;
    const QString folder = m_session.folder();
    const bool onServer = m_session.server().has_value();
    if (!onServer && folder.isEmpty()) {
        const QString why = QStringLiteral("Le dossier des données de Velmaris est inconnu\u00a0: le "
                                           "registre des baux n’est pas disponible.");
        etat->setText(why);
        MessageBox::critical(this, kTitle, why);
    } else if (const QString refusal = onServer ? QString() : dataFolderRefusal(folder);
               !refusal.isEmpty()) {
        // Someone else's folder (root run with a user's HOME) is never written.
        etat->setText(QStringLiteral("Registre des baux indisponible."));
        MessageBox::critical(
            this, kTitle,
            QStringLiteral("Le registre des baux n’est pas ouvert\u00a0: %1.").arg(refusal));
    } else if (!openSessionStore()) {
        etat->setText(QStringLiteral("Registre des baux indisponible."));
        MessageBox::critical(this, kTitle, m_store.error());
    } else {
        ok = true;
        if (m_store.isReadOnly()) {
            etat->setText(QStringLiteral("Lecture seule\u00a0: ") + m_store.readOnlyReason() + u'.');
            MessageBox::information(this, kTitle,
                                    QStringLiteral("Le registre des baux ")
                                        + quotedPath(m_store.path())
                                        + QStringLiteral(" ne peut être que lu depuis ce poste (")
                                        + m_store.readOnlyReason()
                                        + QStringLiteral(")\u00a0: vous pouvez le consulter, pas le "
                                                         "modifier."));
        }
    }
    etat->setVisible(!ok || m_store.isReadOnly());
    if (ok && writable())
        adoptDeskLandlord();
    reload();
    return ok;
}

void RegisterWindow::reload()
{
    const qint64 keep = selectedLeaseId();
    m_store.changedElsewhere(); // what is read now is what the window shows
    if (!m_store.isOpen()) {
        m_owners.clear();
        m_defaultOwner = 0;
        m_model.setOwners({}, 0);
        m_model.setLeases({}, {}, m_table, today());
    } else {
        const BusyCursor busy;
        std::optional<std::vector<Lease>> leases = m_store.leases();
        std::optional<std::vector<RevisionRecord>> last;
        if (leases)
            last = m_store.lastRevisions();
        if (!leases || !last || !readOwners()) {
            // What is shown stays: it was right when it was read.
            MessageBox::critical(this, kTitle, m_store.error());
            return;
        }
        m_model.setOwners(m_owners, m_defaultOwner);
        m_model.setLeases(std::move(*leases), std::move(*last), m_table, today());
    }
    showOwnerFilter();
    m_statusesDay = today();
    selectLease(keep);
    updateCount();
    updateButtons();
}

void RegisterWindow::indexTableChanged()
{
    const qint64 keep = selectedLeaseId();
    m_model.refresh(m_table, today());
    m_statusesDay = today();
    selectLease(keep);
    updateCount();
    updateButtons();
    if (m_revision)
        m_revision->recompute();
}

QDate RegisterWindow::today() const
{
    return m_today.isValid() ? m_today : QDate::currentDate();
}

void RegisterWindow::setToday(const QDate& day)
{
    m_today = day;
    indexTableChanged();
}

void RegisterWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A window left open overnight shows tomorrow's statuses.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && today() != m_statusesDay)
        indexTableChanged();
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshIfChangedElsewhere();
}

const Lease* RegisterWindow::selectedLease() const
{
    const QModelIndexList rows = tableau->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return nullptr;
    return m_model.leaseAt(m_filter.mapToSource(rows.first()).row());
}

qint64 RegisterWindow::selectedLeaseId() const
{
    const Lease* lease = selectedLease();
    return lease ? lease->id : 0;
}

void RegisterWindow::selectLease(qint64 id)
{
    const int row = id ? m_model.rowOfLease(id) : -1;
    const QModelIndex index =
        row < 0 ? QModelIndex() : m_filter.mapFromSource(m_model.index(row, 0));
    if (!index.isValid()) {
        tableau->selectionModel()->clear();
        return;
    }
    tableau->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect
                                                          | QItemSelectionModel::Rows);
    tableau->scrollTo(index);
}

void RegisterWindow::updateCount()
{
    const int all = m_model.leaseCount();
    QString text = leaseCount(all);
    if (all > 0)
        text += QStringLiteral(", dont %1 à réviser").arg(m_model.dueCount());
    if (m_filter.rowCount() != all)
        text += QStringLiteral(" — %1 affiché%2")
                    .arg(m_filter.rowCount())
                    .arg(m_filter.rowCount() > 1 ? QStringLiteral("s") : QString());
    compte->setText(text);
}

void RegisterWindow::changed(qint64 leaseId, qint64 select)
{
    m_session.announce(leaseId); // this window reloads as every other one
    selectLease(select);
    emit registerChanged();
}

void RegisterWindow::leaseChanged()
{
    if (m_store.isOpen())
        reload();
}

void RegisterWindow::addLease()
{
    if (!writable())
        return;
    // The owner the list shows, else the register's default one.
    const qint64 owner = m_filter.owner() ? m_filter.owner() : m_defaultOwner;
    auto* form = new LeaseForm(Lease(), m_table, m_owners, owner, this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setSave([this](const Lease& lease, QString* error) {
        const std::optional<qint64> id = m_store.addLease(lease);
        if (!id) {
            *error = m_store.error();
            return false;
        }
        changed(*id, *id);
        return true;
    });
    form->open();
}

void RegisterWindow::editLease()
{
    const Lease* chosen = selectedLease();
    if (!chosen || !m_store.isOpen())
        return;
    auto* form = new LeaseForm(*chosen, m_table, m_owners, m_defaultOwner, this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    if (!writable()) {
        form->enregistrer->setEnabled(false);
        form->enregistrer->setToolTip(readOnlyTip());
    }
    form->setSave([this, form](const Lease& lease, QString* error) {
        if (!m_store.updateLease(lease)) {
            *error = m_store.error();
            // What the other change was, for the user to weigh before saving again.
            if (m_store.errorKind() == StoreError::Conflict)
                if (const std::optional<Lease> current = m_store.lease(lease.id))
                    if (const QString changed = form->takeVersion(*current); !changed.isEmpty())
                        *error += QStringLiteral("\nModifié depuis\u00a0: %1. Vos saisies sont "
                                                 "gardées\u00a0; «\u00a0Enregistrer\u00a0» les enregistre "
                                                 "sur ce nouvel état.")
                                      .arg(changed);
            showCurrentLease(lease.id);
            return false;
        }
        changed(lease.id, lease.id);
        return true;
    });
    follow(chosen->id, form, nullptr);
    form->open();
}

void RegisterWindow::removeLease()
{
    const Lease* chosen = selectedLease();
    if (!chosen || !writable())
        return;
    const qint64 id = chosen->id;
    const qint64 version = chosen->version; // the lease the user sees, not a later one
    QString who = quotedPath(chosen->reference);
    if (!chosen->tenant.isEmpty())
        who += QStringLiteral(" (") + chosen->tenant + u')';
    if (!MessageBox::question(this, QStringLiteral("Supprimer un bail"),
                              QStringLiteral("Supprimer le bail ") + who
                                  + QStringLiteral(" et tout son historique\u00a0?")))
        return;
    if (!m_store.removeLease(id, version)) {
        MessageBox::critical(this, kTitle, m_store.error());
        showCurrentLease(id);
        return;
    }
    changed(id, 0);
}

void RegisterWindow::reviseLease()
{
    const Lease* chosen = selectedLease();
    if (!chosen || !m_store.isOpen())
        return;
    std::optional<std::vector<RevisionRecord>> history = m_store.history(chosen->id);
    if (!history) {
        MessageBox::critical(this, kTitle, m_store.error());
        return;
    }
    // The request dates from the day its letter went out, when one did.
    const QDate due = velmaris::reviseLease(*chosen, *history, m_table, today()).status.due;
    const std::vector<SentLetter> letters =
        m_store.lettersSent(chosen->id).value_or(std::vector<SentLetter>());
    const SentLetter* sent = nullptr;
    for (const SentLetter& letter : letters)
        if (letter.dueDate == due && letter.sentOn <= today())
            sent = &letter;
    auto* dialog = new LeaseRevisionDialog(*chosen, std::move(*history), m_table,
                                           sent ? sent->sentOn : today(), this);
    if (sent)
        dialog->datedemande->setToolTip(QStringLiteral("La date où la lettre est partie\u00a0: ")
                                        + sentLetterText(*sent));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setReadOnly(!writable(), readOnlyTip());
    const qint64 id = chosen->id;
    dialog->setApply([this, id, dialog](const RevisionRecord& record, QString* error) {
        if (!m_store.appendRevision(record, dialog->lease().version)) {
            *error = m_store.error();
            showCurrentLease(id);
            return false;
        }
        changed(id, id);
        return true;
    });
    follow(id, nullptr, dialog);
    m_revision = dialog;
    dialog->open();
}

void RegisterWindow::showHistory()
{
    const Lease* chosen = selectedLease();
    if (!chosen || !m_store.isOpen())
        return;
    const std::optional<std::vector<RevisionRecord>> history = m_store.history(chosen->id);
    if (!history) {
        MessageBox::critical(this, kTitle, m_store.error());
        return;
    }
    const std::optional<std::vector<SentLetter>> letters = m_store.lettersSent(chosen->id);
    if (!letters) {
        MessageBox::critical(this, kTitle, m_store.error());
        return;
    }
    auto* dialog = new LeaseHistoryDialog(*chosen, *history, *letters, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

} // namespace velmaris
