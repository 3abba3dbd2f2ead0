// SPDX-License-Identifier: GPL-3.0-or-later
#include "todolistdialog.h"

#include "dates.h"
#include "letterdialog.h"
#include "messages.h"
#include "windowfit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmaris {

namespace {

const QString kTitle = QStringLiteral("À faire");

enum Column { Reference, Tenant, Revision, LastDay, Todo, ColumnCount };

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QString countText(const std::vector<RevisionDeadline>& deadlines)
{
    int toAsk = 0;
    for (const RevisionDeadline& d : deadlines)
        toAsk += d.toAsk() ? 1 : 0;
    if (toAsk == 0)
        return QStringLiteral("Aucune révision à demander dans les %1\u00a0prochains jours.")
            .arg(kDeadlineWarningDays);
    if (toAsk == 1)
        return QStringLiteral("1 révision à demander avant son dernier jour, sans quoi elle est "
                              "perdue.");
    return QStringLiteral("%1 révisions à demander avant leur dernier jour, sans quoi elles sont "
                          "perdues.")
        .arg(toAsk);
}

} // namespace

TodoListDialog::TodoListDialog(RegisterSession& session, const IndexTable& table,
                               const QDate& today, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_table(table)
    , m_today(today)
{
    setObjectName(QStringLiteral("AFaire"));
    setWindowTitle(kTitle);
    QLayout* buttons = buildControls();
    m_readable = reload();
    // Sized with its lines in: the count under them never wants a scroll bar.
    scrollWhenSmall(this, buttons);
    connect(&m_session, &RegisterSession::leaseChanged, this, [this] {
        if (m_session.store().isOpen())
            reload();
    });
}

QLayout* TodoListDialog::buildControls()
{
    liste = new QTableWidget(0, ColumnCount, this);
    liste->setTabKeyNavigation(false); // Tab goes on to the commands
    liste->setObjectName(QStringLiteral("liste"));
    liste->setHorizontalHeaderLabels({QStringLiteral("Référence"), QStringLiteral("Locataire"),
                                      QStringLiteral("Révision"), QStringLiteral("Dernier jour"),
                                      QStringLiteral("À faire")});
    liste->verticalHeader()->hide();
    liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    liste->setSelectionMode(QAbstractItemView::SingleSelection);
    liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste->setTabKeyNavigation(false);
    liste->setWordWrap(true);
    QHeaderView* header = liste->horizontalHeader();
    for (int c = 0; c < Todo; ++c)
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(Todo, QHeaderView::Stretch);
    liste->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    const QFontMetrics metrics(liste->font());
    liste->setMinimumSize(
        withinScreen(this, QSize(metrics.averageCharWidth() * 110, metrics.lineSpacing() * 14)));

    compte = new QLabel(this);
    compte->setObjectName(QStringLiteral("compte"));
    compte->setWordWrap(true);
    compte->setTextInteractionFlags(Qt::TextSelectableByMouse);

    lettre = new QPushButton(QStringLiteral("&Lettre…"), this);
    lettre->setObjectName(QStringLiteral("lettre"));
    lettre->setAutoDefault(false);
    fermer = new QPushButton(QStringLiteral("&Fermer"), this);
    fermer->setObjectName(QStringLiteral("fermer"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lettre);
    buttons->addStretch(1);
    buttons->addWidget(fermer);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addWidget(liste, 1);
    layout->addWidget(compte);
    layout->addLayout(buttons);

    connect(lettre, &QPushButton::clicked, this, &TodoListDialog::openLetter);
    connect(liste, &QTableWidget::cellDoubleClicked, this, &TodoListDialog::openLetter);
    connect(fermer, &QPushButton::clicked, this, &QDialog::reject);
    connect(liste, &QTableWidget::itemSelectionChanged, this, &TodoListDialog::updateButtons);
    updateButtons();
    return buttons;
}

bool TodoListDialog::reload()
{
    const qint64 keep = chosenLease();
    std::optional<std::vector<RevisionDeadline>> read =
        readComingDeadlines(m_session.store(), m_table, m_today);
    liste->setRowCount(0);
    if (!read) {
        // Nothing is shown that the register may no longer hold.
        m_deadlines.clear();
        compte->setText(m_session.store().error());
        updateButtons();
        return false;
    }
    m_deadlines = std::move(*read);
    const QColor urgent(0x9c, 0x1c, 0x1c);
    liste->setRowCount(int(m_deadlines.size()));
    int row = 0;
    for (const RevisionDeadline& d : m_deadlines) {
        liste->setItem(row, Reference, cell(d.lease.reference));
        liste->item(row, Reference)->setData(Qt::UserRole, d.lease.id);
        liste->setItem(row, Tenant, cell(d.lease.tenant));
        liste->setItem(row, Revision, cell(dateText(d.revisionDate)));
        QTableWidgetItem* last = cell(dateText(d.lastDay));
        // Within a week, and something to ask: the line says so.
        if (d.toAsk() && m_today.daysTo(d.lastDay) <= 7)
            last->setForeground(urgent);
        liste->setItem(row, LastDay, last);
        liste->setItem(row, Todo, cell(d.todo));
        if (d.lease.id == keep)
            liste->selectRow(row);
        ++row;
    }
    if (!m_deadlines.empty() && liste->selectedItems().isEmpty())
        liste->selectRow(0);
    compte->setText(countText(m_deadlines));
    updateButtons();
    return true;
}

qint64 TodoListDialog::chosenLease() const
{
    const QList<QTableWidgetItem*> chosen = liste->selectedItems();
    if (chosen.isEmpty())
        return 0;
    return liste->item(chosen.front()->row(), Reference)->data(Qt::UserRole).toLongLong();
}

void TodoListDialog::updateButtons()
{
    lettre->setEnabled(chosenLease() != 0);
}

void TodoListDialog::openLetter()
{
    const qint64 id = chosenLease();
    if (id == 0)
        return;
    if (LetterDialog* d = showLeaseLetter(this, m_session, id, m_table, m_today))
        d->setProgramFolders(m_programFolders);
}

TodoListDialog* showTodoList(QWidget* parent, RegisterSession& session, const IndexTable& table,
                             const QDate& today, const DataFolders& programFolders)
{
    auto* dialog = new TodoListDialog(session, table, today, parent);
    if (!dialog->readable()) {
        MessageBox::critical(parent, kTitle,
                             QStringLiteral("La liste des révisions à demander ne peut pas être "
                                            "établie.\n\n")
                                 + session.store().error());
        delete dialog;
        return nullptr;
    }
    dialog->setProgramFolders(programFolders);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    return dialog;
}

} // namespace velmaris
