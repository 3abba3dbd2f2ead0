#include "registerwindow.h"

#include "cursor.h"
#include "filechoice.h"
#include "leasecsv.h"
#include "leaseform.h"
#include "leasehistorydialog.h"
#include "leaserevisiondialog.h"
#include "messages.h"

#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

namespace velmaris {

namespace {

const QString kTitle = QStringLiteral("Baux");
const QString kCsvFilter = QStringLiteral("Fichiers CSV (*.csv);;Tous les fichiers (*)");

template <typename T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QString quoted(const QString& text)
{
    return QStringLiteral("« ") + QDir::toNativeSeparators(text) + QStringLiteral(" »");
}

QString leaseCount(int n)
{
    return n == 1 ? QStringLiteral("1 bail") : QStringLiteral("%1 baux").arg(n);
}

} // namespace

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
}

RegisterWindow::~RegisterWindow() = default;

void RegisterWindow::buildControls()
{
    recherche = named(new QLineEdit(this), QStringLiteral("recherche"));
    recherche->setPlaceholderText(QStringLiteral("Rechercher une référence ou un locataire"));
    recherche->setClearButtonEnabled(true);
    compte = named(new QLabel(this), QStringLiteral("compte"));
    etat = named(new QLabel(this), QStringLiteral("etat"));
    etat->setWordWrap(true);
    {
        QPalette p = etat->palette();
        p.setColor(QPalette::WindowText, QColor(150, 0, 0));
        etat->setPalette(p);
    }
    etat->hide();

    tableau = named(new QTableView(this), QStringLiteral("tableau"));
    tableau->setModel(&m_filter);
    tableau->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableau->setSelectionMode(QAbstractItemView::SingleSelection);
    tableau->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableau->setAlternatingRowColors(true);
    tableau->setWordWrap(false);
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
    header->resizeSection(RegisterModel::TerritoryColumn, width("métropole"));
    header->resizeSection(RegisterModel::Rent, width("99 999,99 €"));
    header->resizeSection(RegisterModel::NextDue, width("00/00/0000"));
    header->resizeSection(RegisterModel::Status,
                          width("à réviser avant le 00/00/0000 (révision perdue le 00/00/0000)"));
    // The status takes what is left; every other column keeps its width, the
    // tenant's included, and a narrow window scrolls rather than hiding names.
    header->setStretchLastSection(true);
    tableau->setSortingEnabled(true);
    tableau->sortByColumn(RegisterModel::NextDue, Qt::AscendingOrder);

    auto button = [this](const QString& name, const QString& text) {
        auto* b = named(new QPushButton(text, this), name);
        b->setAutoDefault(false);
        return b;
    };
    ajouter = button(QStringLiteral("ajouter"), QStringLiteral("Ajouter…"));
    modifier = button(QStringLiteral("modifier"), QStringLiteral("Modifier…"));
    supprimer = button(QStringLiteral("supprimer"), QStringLiteral("Supprimer"));
    reviser = button(QStringLiteral("reviser"), QStringLiteral("Réviser"));
    historique = button(QStringLiteral("historique"), QStringLiteral("Historique"));
    importer = button(QStringLiteral("importer"), QStringLiteral("Importer…"));
    exporter = button(QStringLiteral("exporter"), QStringLiteral("Exporter…"));
    lettre = button(QStringLiteral("lettre"), QStringLiteral("Lettre"));
    lettresdumois = button(QStringLiteral("lettresdumois"), QStringLiteral("Lettres du mois…"));
    audit = button(QStringLiteral("audit"), QStringLiteral("Audit"));
    saisirindice = button(QStringLiteral("saisirindice"), QStringLiteral("Saisir un indice…"));
    fermer = button(QStringLiteral("fermer"), QStringLiteral("Fermer"));

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

    auto* side = new QVBoxLayout;
    side->setSpacing(6);
    for (QPushButton* b : {ajouter, modifier, supprimer})
        side->addWidget(b);
    side->addSpacing(12);
    for (QPushButton* b : {reviser, historique, lettre, lettresdumois, audit})
        side->addWidget(b);
    side->addSpacing(12);
    for (QPushButton* b : {importer, exporter, saisirindice})
        side->addWidget(b);
    addBackupButtons(side);
    side->addStretch(1);
    side->addWidget(fermer);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(recherche, 1);
    searchRow->addWidget(compte);

    auto* main = new QVBoxLayout;
    main->addLayout(searchRow);
    main->addWidget(etat);
    main->addWidget(tableau, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(main, 1);
    layout->addLayout(side);

    setTabOrder(recherche, tableau);
    updateButtons();
    updateCount();

    const QSize wanted(1180, 600);
    const QScreen* s = screen();
    resize(s ? wanted.boundedTo(s->availableGeometry().size()) : wanted);
}

void RegisterWindow::open()
{
    show();
    raise();
    activateWindow();
    if (!m_store.isOpen())
        openStore();
    else
        reload(); // another program may have changed the file meanwhile
}

bool RegisterWindow::openStore()
{
    etat->hide();
    bool ok = false;
    const QString folder = m_session.folder();
    if (folder.isEmpty()) {
        const QString why = QStringLiteral("Le dossier des données de Velmaris est inconnu : le "
                                           "registre des baux n'est pas disponible.");
        etat->setText(why);
        MessageBox::critical(this, kTitle, why);
    } else if (const QString refusal = dataFolderRefusal(folder); !refusal.isEmpty()) {
        // Someone else's folder (root run with a user's HOME) is never written.
        etat->setText(QStringLiteral("Registre des baux indisponible."));
        MessageBox::critical(
            this, kTitle,
            QStringLiteral("Le registre des baux n'est pas ouvert : %1.").arg(refusal));
    } else if (!m_store.open(folder)) {
        etat->setText(QStringLiteral("Registre des baux indisponible."));
        MessageBox::critical(this, kTitle, m_store.error());
    } else {
        ok = true;
        if (m_store.isReadOnly()) {
            etat->setText(QStringLiteral("Lecture seule : le registre ne peut pas être modifié."));
            MessageBox::information(this, kTitle,
                                    QStringLiteral("Le registre des baux ") + quoted(m_store.path())
                                        + QStringLiteral(" est en lecture seule : vous pouvez le "
                                                         "consulter, pas le modifier."));
        }
    }
    etat->setVisible(!ok || m_store.isReadOnly());
    reload();
    return ok;
}

void RegisterWindow::reload()
{
    const qint64 keep = selectedLeaseId();
    m_store.changedElsewhere(); // what is read now is what the window shows
    if (!m_store.isOpen()) {
        m_model.setLeases({}, {}, m_table, today());
    } else {
        const BusyCursor busy;
        std::optional<std::vector<Lease>> leases = m_store.leases();
        std::optional<std::vector<RevisionRecord>> last;
        if (leases)
            last = m_store.lastRevisions();
        if (!leases || !last) {
            // What is shown stays: it was right when it was read.
            MessageBox::critical(this, kTitle, m_store.error());
            return;
        }
        m_model.setLeases(std::move(*leases), std::move(*last), m_table, today());
    }
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

bool RegisterWindow::writable() const
{
    return m_store.isOpen() && !m_store.isReadOnly();
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

void RegisterWindow::updateButtons()
{
    const bool open = m_store.isOpen();
    const bool chosen = selectedLease() != nullptr;
    ajouter->setEnabled(writable());
    importer->setEnabled(writable());
    modifier->setEnabled(open && chosen);
    modifier->setText(writable() ? QStringLiteral("Modifier…") : QStringLiteral("Consulter…"));
    supprimer->setEnabled(writable() && chosen);
    reviser->setEnabled(open && chosen);
    historique->setEnabled(open && chosen);
    exporter->setEnabled(open);
    lettre->setEnabled(open && chosen);
    lettresdumois->setEnabled(open);
    audit->setEnabled(open && chosen);
    updateBackupButtons();
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
    auto* form = new LeaseForm(Lease(), m_table, this);
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
    auto* form = new LeaseForm(*chosen, m_table, this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    if (!writable()) {
        form->enregistrer->setEnabled(false);
        form->enregistrer->setToolTip(QStringLiteral("Le registre est en lecture seule."));
    }
    form->setSave([this, form](const Lease& lease, QString* error) {
        if (!m_store.updateLease(lease)) {
            *error = m_store.error();
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
    QString who = quoted(chosen->reference);
    if (!chosen->tenant.isEmpty())
        who += QStringLiteral(" (") + chosen->tenant + u')';
    if (!MessageBox::question(this, QStringLiteral("Supprimer un bail"),
                              QStringLiteral("Supprimer le bail ") + who
                                  + QStringLiteral(" et tout son historique ?")))
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
    auto* dialog = new LeaseRevisionDialog(*chosen, std::move(*history), m_table, today(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setReadOnly(!writable());
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
    auto* dialog = new LeaseHistoryDialog(*chosen, *history, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void RegisterWindow::importCsv()
{
    if (!writable())
        return;
    const QString path = FileChoice::open(this, QStringLiteral("Importer des baux"), kCsvFilter);
    if (path.isEmpty())
        return;
    ImportOutcome outcome;
    {
        const BusyCursor busy;
        outcome = importLeasesCsv(m_store, path);
    }
    if (!outcome.ok) {
        MessageBox::criticalList(this, QStringLiteral("Importer des baux"),
                                 QStringLiteral("Aucun bail n'est importé de ") + quoted(path)
                                     + QStringLiteral(" :"),
                                 outcome.errors);
        return;
    }
    changed(0, selectedLeaseId());
    MessageBox::information(this, QStringLiteral("Importer des baux"),
                            outcome.imported == 0
                                ? QStringLiteral("Aucun bail dans ") + quoted(path) + u'.'
                                : leaseCount(outcome.imported)
                                      + (outcome.imported == 1 ? QStringLiteral(" importé.")
                                                               : QStringLiteral(" importés.")));
}

void RegisterWindow::exportCsv()
{
    if (!m_store.isOpen())
        return;
    const QString path =
        FileChoice::save(this, QStringLiteral("Exporter les baux"),
                         QDir::home().filePath(QStringLiteral("baux.csv")), kCsvFilter);
    if (path.isEmpty())
        return;
    QString error = outputRefusal(path, m_programFolders);
    bool ok = false;
    if (!error.isEmpty()) {
        error = QStringLiteral("Export impossible : ") + error + u'.';
    } else {
        const BusyCursor busy;
        ok = exportLeasesCsv(m_store, path, &error);
    }
    if (!ok) {
        MessageBox::critical(this, QStringLiteral("Exporter les baux"), error);
        return;
    }
    MessageBox::information(this, QStringLiteral("Exporter les baux"),
                            QStringLiteral("Le registre des baux est exporté dans ") + quoted(path)
                                + u'.');
}

} // namespace velmaris
