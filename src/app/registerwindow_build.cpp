// SPDX-License-Identifier: GPL-3.0-or-later
// The register window's controls: the search box, the table of leases, the
// commands beside it, and which of them the register allows.
#include "registerwindow.h"

#include "todolistdialog.h"
#include "windowfit.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace velmaris {

namespace {

template <typename T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

} // namespace

void RegisterWindow::buildControls()
{
    recherche = named(new QLineEdit(this), QStringLiteral("recherche"));
    recherche->setPlaceholderText(QStringLiteral("Rechercher une référence ou un locataire"));
    recherche->setClearButtonEnabled(true);
    recherche->setMinimumWidth(recherche->fontMetrics().averageCharWidth() * 14);
    compte = named(new QLabel(this), QStringLiteral("compte"));
    etat = named(new QLabel(this), QStringLiteral("etat"));
    etat->setWordWrap(true);
    {
        QPalette p = etat->palette();
        p.setColor(QPalette::WindowText, QColor(150, 0, 0));
        etat->setPalette(p);
    }
    etat->hide();
    avis = named(new QLabel(this), QStringLiteral("avis"));
    avis->setWordWrap(true);
    avis->hide();

    buildTable();
    buildSorting();

    buildButtons();

    auto* side = new QVBoxLayout;
    side->setSpacing(6);
    for (QPushButton* b : {ajouter, modifier, supprimer})
        side->addWidget(b);
    side->addSpacing(12);
    for (QPushButton* b :
         {reviser, historique, lettre, lettresdumois, calendrier, afaire, revisionsdues, audit})
        side->addWidget(b);
    side->addSpacing(12);
    for (QPushButton* b : {importer, exporter, saisirindice})
        side->addWidget(b);
    addOwnerButtons(side);
    addBackupButtons(side);
    side->addStretch(1);
    side->addWidget(fermer);

    QLabel* ownerLabel = buildOwnerFilter();
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(recherche, 1);
    searchRow->addWidget(compte);
    auto* ownerRow = new QHBoxLayout;
    ownerRow->addWidget(ownerLabel);
    ownerRow->addWidget(filtrebailleur, 1);
    auto* sortLabel = new QLabel(QStringLiteral("&Trier par\u00a0:"), this);
    sortLabel->setBuddy(tri);
    auto* sortRow = new QHBoxLayout;
    sortRow->addWidget(sortLabel);
    sortRow->addWidget(tri, 1);
    m_filterLines = new QBoxLayout(QBoxLayout::LeftToRight);
    m_filterLines->addLayout(ownerRow, 1);
    m_filterLines->addLayout(sortRow, 1);
    m_searchLines = new QBoxLayout(QBoxLayout::LeftToRight);
    m_searchLines->addLayout(searchRow, 1);
    m_searchLines->addLayout(m_filterLines);

    auto* main = new QVBoxLayout;
    main->addLayout(m_searchLines);
    main->addWidget(etat);
    main->addWidget(avis);
    main->addWidget(tableau, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(main, 1);
    layout->addLayout(side);

    setTabOrder(recherche, filtrebailleur);
    setTabOrder(filtrebailleur, tri);
    setTabOrder(tri, tableau);
    updateButtons();
    updateCount();

    scrollWhenSmall(this);
    fitToScreen(this, size().expandedTo(QSize(1180, 600)));
}

void RegisterWindow::buildTable()
{
    tableau = named(new QTableView(this), QStringLiteral("tableau"));
    tableau->setModel(&m_filter);
    tableau->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableau->setSelectionMode(QAbstractItemView::SingleSelection);
    tableau->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableau->setAlternatingRowColors(true);
    // One Tab stop: the arrows move among the leases, Tab goes on to the commands.
    tableau->setTabKeyNavigation(false);
    tableau->installEventFilter(this);
    tableau->verticalHeader()->hide();
    // Fixed heights and widths: nothing is measured row by row, whatever the number of leases.
    tableau->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableau->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    QHeaderView* header = tableau->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    const QFontMetrics fm = fontMetrics();
    auto width = [&fm](const char* sample) {
        return fm.horizontalAdvance(QString::fromUtf8(sample)) + 28;
    };
    header->resizeSection(RegisterModel::Reference, width("REF-2025-000"));
    header->resizeSection(RegisterModel::Tenant, width("M. et Mme Dupont-Du"));
    header->resizeSection(RegisterModel::OwnerColumn, width("SCI Les Tilleuls"));
    header->resizeSection(RegisterModel::TerritoryColumn, width("métropole"));
    header->resizeSection(RegisterModel::Rent, width("99 999,99 €"));
    header->resizeSection(RegisterModel::NextDue, width("00/00/0000"));
    // The status takes what is left; every other column keeps its width, the
    // tenant's included, and a narrow window scrolls rather than hiding names.
    // A status narrower than its longest text goes on two lines (every row
    // alike: still nothing measured row by row); the tooltip shows it whole.
    const int wholeStatus = width("à réviser avant le 00/00/0000 (révision perdue le 00/00/0000)");
    header->resizeSection(RegisterModel::Status, wholeStatus / 2);
    header->setStretchLastSection(true);
    tableau->setWordWrap(true);
    connect(header, &QHeaderView::sectionResized, this, [this, header, wholeStatus](int section) {
        if (section != RegisterModel::Status)
            return;
        const int lines = header->sectionSize(section) < wholeStatus ? 2 : 1;
        tableau->verticalHeader()->setDefaultSectionSize(fontMetrics().height() * lines + 8);
    });
    tableau->setSortingEnabled(true);
    tableau->sortByColumn(RegisterModel::NextDue, Qt::AscendingOrder);
}

void RegisterWindow::buildSorting()
{
    // Each column both ways, as a click on its heading sorts; the two follow each other.
    tri = named(new QComboBox(this), QStringLiteral("tri"));
    for (int c = 0; c < RegisterModel::ColumnCount; ++c) {
        const QString name = m_model.headerData(c, Qt::Horizontal).toString();
        tri->addItem(name + QStringLiteral(" ↑"), c * 2);
        tri->addItem(name + QStringLiteral(" ↓"), c * 2 + 1);
    }
    tri->setToolTip(
        QStringLiteral("Ordre des baux (un clic sur un en-tête du tableau fait de même)"));
    auto show = [this](int column, Qt::SortOrder order) {
        const QSignalBlocker block(tri);
        tri->setCurrentIndex(tri->findData(column * 2 + (order == Qt::DescendingOrder ? 1 : 0)));
    };
    QHeaderView* header = tableau->horizontalHeader();
    show(header->sortIndicatorSection(), header->sortIndicatorOrder());
    connect(header, &QHeaderView::sortIndicatorChanged, this, show);
    connect(tri, &QComboBox::currentIndexChanged, this, [this] {
        const int value = tri->currentData().toInt();
        tableau->sortByColumn(value / 2, value % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
}

bool RegisterWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tableau && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            reviseLease();
            return true;
        }
        if (key == Qt::Key_Delete) {
            removeLease();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RegisterWindow::buildButtons()
{
    auto button = [this](const QString& name, const QString& text) {
        auto* b = named(new QPushButton(text, this), name);
        b->setAutoDefault(false);
        return b;
    };
    // Alt and the underlined letter: no two alike in the window ("&Trier par" too).
    ajouter = button(QStringLiteral("ajouter"), QStringLiteral("&Ajouter…"));
    modifier = button(QStringLiteral("modifier"), QStringLiteral("&Modifier…"));
    supprimer = button(QStringLiteral("supprimer"), QStringLiteral("&Supprimer"));
    reviser = button(QStringLiteral("reviser"), QStringLiteral("&Réviser"));
    historique = button(QStringLiteral("historique"), QStringLiteral("&Historique"));
    importer = button(QStringLiteral("importer"), QStringLiteral("&Importer…"));
    exporter = button(QStringLiteral("exporter"), QStringLiteral("&Exporter…"));
    lettre = button(QStringLiteral("lettre"), QStringLiteral("&Lettre"));
    lettresdumois = button(QStringLiteral("lettresdumois"), QStringLiteral("Lettres du m&ois…"));
    calendrier =
        button(QStringLiteral("calendrier"), QStringLiteral("E&xporter le calendrier…"));
    afaire = button(QStringLiteral("afaire"), QStringLiteral("&À faire…"));
    revisionsdues =
        button(QStringLiteral("revisionsdues"), QStringLiteral("A&ppliquer les révisions dues…"));
    audit = button(QStringLiteral("audit"), QStringLiteral("Au&dit"));
    saisirindice = button(QStringLiteral("saisirindice"), QStringLiteral("Saisir u&n indice…"));
    fermer = button(QStringLiteral("fermer"), QStringLiteral("&Fermer"));

    connect(ajouter, &QPushButton::clicked, this, &RegisterWindow::addLease);
    connect(modifier, &QPushButton::clicked, this, &RegisterWindow::editLease);
    connect(supprimer, &QPushButton::clicked, this, &RegisterWindow::removeLease);
    connect(reviser, &QPushButton::clicked, this, &RegisterWindow::reviseLease);
    connect(historique, &QPushButton::clicked, this, &RegisterWindow::showHistory);
    connect(importer, &QPushButton::clicked, this, &RegisterWindow::importCsv);
    connect(exporter, &QPushButton::clicked, this, &RegisterWindow::exportCsv);
    connect(fermer, &QPushButton::clicked, this, &QWidget::close);
    connect(lettre, &QPushButton::clicked, this, [this] {
        if (const qint64 id = selectedLeaseId())
            emit letterRequested(id);
    });
    connect(lettresdumois, &QPushButton::clicked, this, &RegisterWindow::monthLettersRequested);
    connect(calendrier, &QPushButton::clicked, this, &RegisterWindow::exportCalendar);
    connect(afaire, &QPushButton::clicked, this,
            [this] { showTodoList(this, m_session, m_table, today(), m_programFolders); });
    connect(revisionsdues, &QPushButton::clicked, this, &RegisterWindow::applyDue);
    connect(saisirindice, &QPushButton::clicked, this, &RegisterWindow::indexEntryRequested);
    connect(audit, &QPushButton::clicked, this, [this] {
        if (const qint64 id = selectedLeaseId())
            emit auditRequested(id);
    });
    connect(recherche, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_filter.setSearch(text);
        updateCount();
    });
    connect(tableau->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RegisterWindow::updateButtons);
    connect(tableau, &QTableView::doubleClicked, this, &RegisterWindow::editLease);
}

void RegisterWindow::updateButtons()
{
    const bool open = m_store.isOpen();
    const bool chosen = selectedLease() != nullptr;
    ajouter->setEnabled(writable());
    importer->setEnabled(writable());
    revisionsdues->setEnabled(writable());
    // A greyed button says why.
    for (QPushButton* writing : {ajouter, importer, supprimer, revisionsdues})
        writing->setToolTip(open && !writable() ? readOnlyTip() : QString());
    modifier->setEnabled(open && chosen);
    modifier->setText(writable() ? QStringLiteral("&Modifier…") : QStringLiteral("&Consulter…"));
    supprimer->setEnabled(writable() && chosen);
    reviser->setEnabled(open && chosen);
    historique->setEnabled(open && chosen);
    exporter->setEnabled(open);
    lettre->setEnabled(open && chosen);
    lettresdumois->setEnabled(open);
    calendrier->setEnabled(open);
    afaire->setEnabled(open);
    audit->setEnabled(open && chosen);
    bailleurs->setEnabled(open);
    agence->setEnabled(open);
    filtrebailleur->setEnabled(open);
    updateBackupButtons();
}

} // namespace velmaris
