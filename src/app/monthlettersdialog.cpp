// SPDX-License-Identifier: GPL-3.0-or-later
#include "monthlettersdialog.h"

#include "agencydialog.h"
#include "amounts.h"
#include "dates.h"
#include "defaultprinter.h"
#include "letteroutput.h"
#include "letterprinter.h"
#include "messages.h"
#include "ownerform.h"
#include "windowfit.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmaris {

namespace {

template <typename T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

const QString kTitle = QStringLiteral("Lettres du mois");

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

MonthLettersDialog::MonthLettersDialog(RegisterSession& session, std::vector<Lease> leases,
                                       std::vector<RevisionRecord> lastRevisions, IndexTable table,
                                       const QDate& today, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_leases(std::move(leases))
    , m_lastRevisions(std::move(lastRevisions))
    , m_table(std::move(table))
    , m_today(today)
{
    setObjectName(QStringLiteral("LettresDuMois"));
    setWindowTitle(kTitle);
    buildControls();
    const QDate next = today.addMonths(1);
    setMonth(next.year(), next.month());
}

void MonthLettersDialog::buildControls()
{
    mois = named(new QComboBox(this), QStringLiteral("mois"));
    for (int m = 1; m <= 12; ++m)
        mois->addItem(monthName(m), m);
    annee = named(new QSpinBox(this), QStringLiteral("annee"));
    annee->setRange(2000, 2100);
    annee->setGroupSeparatorShown(false);
    auto* moisLabel = new QLabel(QStringLiteral("Révisions du &mois de"), this);
    moisLabel->setBuddy(mois);

    bailleurmanquant = missingSenderBand(this);

    liste = named(new QTableWidget(0, 4, this), QStringLiteral("liste"));
    liste->setTabKeyNavigation(false); // Tab goes on to the commands
    liste->setHorizontalHeaderLabels({QStringLiteral("Bail"), QStringLiteral("Locataire"),
                                      QStringLiteral("Révision au"), QStringLiteral("Lettre")});
    liste->verticalHeader()->hide();
    liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste->setWordWrap(true);
    liste->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    liste->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    liste->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    liste->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    liste->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    const QFontMetrics metrics(liste->font());
    liste->setMinimumSize(
        withinScreen(this, QSize(metrics.averageCharWidth() * 110, metrics.lineSpacing() * 16)));

    compte = named(new QLabel(this), QStringLiteral("compte"));
    compte->setWordWrap(true);
    etat = named(new QLabel(this), QStringLiteral("etat"));
    etat->setWordWrap(true);
    etat->setTextInteractionFlags(Qt::TextSelectableByMouse);

    const LetterCommands commands = letterCommands(this);
    bailleur = commands.bailleur;
    enregistrer = commands.enregistrer;
    imprimer = commands.imprimer;
    fermer = commands.fermer;

    auto* chooser = new QHBoxLayout;
    chooser->addWidget(moisLabel);
    chooser->addWidget(mois);
    chooser->addWidget(annee);
    chooser->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addLayout(chooser);
    layout->addWidget(bailleurmanquant);
    layout->addWidget(liste, 1);
    layout->addWidget(compte);
    layout->addWidget(etat);
    layout->addLayout(commands.row);
    giveMnemonics(this);
    scrollWhenSmall(this, commands.row);

    connect(mois, &QComboBox::currentIndexChanged, this, &MonthLettersDialog::rebuild);
    connect(annee, &QSpinBox::valueChanged, this, &MonthLettersDialog::rebuild);
    connect(bailleur, &QPushButton::clicked, this, &MonthLettersDialog::editSender);
    connect(enregistrer, &QPushButton::clicked, this, &MonthLettersDialog::savePdf);
    connect(imprimer, &QPushButton::clicked, this, &MonthLettersDialog::print);
    connect(fermer, &QPushButton::clicked, this, &MonthLettersDialog::reject);
}

void MonthLettersDialog::setMonth(int year, int month)
{
    {
        const QSignalBlocker blockMonth(mois);
        const QSignalBlocker blockYear(annee);
        mois->setCurrentIndex(std::clamp(month, 1, 12) - 1);
        annee->setValue(year);
    }
    rebuild();
}

int MonthLettersDialog::year() const
{
    return annee->value();
}

int MonthLettersDialog::month() const
{
    return mois->currentIndex() + 1;
}

QString MonthLettersDialog::title() const
{
    return monthLettersTitle(year(), month());
}

void MonthLettersDialog::rebuild()
{
    m_letters.clear();
    m_going.clear();
    m_refused.clear();
    m_waiting = 0;
    etat->clear();
    liste->setRowCount(0);
    const std::optional<RegisterSenders> senders = registerSenders(m_session.store());
    if (!senders) {
        // No letter goes out from senders that could not be read.
        compte->clear();
        showMissingSender(bailleurmanquant, {}, true);
        etat->setText(m_session.store().error());
        enregistrer->setEnabled(false);
        imprimer->setEnabled(false);
        return;
    }
    m_agency = senders->agency.isSet();
    bailleur->setText(m_agency ? QStringLiteral("&Agence…") : QStringLiteral("&Bailleur…"));
    const MonthLetterSet set =
        monthLetterSet(m_leases, m_lastRevisions, m_table, *senders, m_today, year(), month());
    m_waiting = set.waiting;

    const QColor refusedColour(0x9c, 0x1c, 0x1c);
    int row = 0;
    for (const MonthLetterLine& line : set.lines) {
        const Lease& lease = *line.lease;
        const LawfulRevision& revision = line.basis.revision;
        const LeaseSender& sender = line.sender;
        QString what;
        if (line.result.letter) {
            what = QStringLiteral("Nouveau loyer hors charges ")
                   + eurosText(revision.newRentCents, AmountLayout::NoBreak)
                   + QStringLiteral(" (au lieu de ")
                   + eurosText(revision.oldRentCents, AmountLayout::NoBreak) + QStringLiteral(")");
            if (!sender.complete())
                what += QStringLiteral(" — à compléter\u00a0: ") + sender.missing();
        } else {
            what = line.result.refusal;
            m_refused.push_back({lease.reference, lease.tenant, revision.status.due, what});
        }
        liste->insertRow(row);
        liste->setItem(row, 0, cell(lease.reference));
        liste->item(row, 0)->setData(Qt::UserRole, sender.owner.id);
        liste->setItem(row, 1, cell(lease.tenant));
        liste->setItem(row, 2, cell(dateText(revision.status.due)));
        QTableWidgetItem* whatItem = cell(what);
        if (!line.result.letter)
            whatItem->setForeground(refusedColour);
        liste->setItem(row, 3, whatItem);
        ++row;
    }

    const int ready = row - int(m_refused.size());
    const QString when = monthText(year(), month());
    if (row == 0)
        // A revision of that month may lie ahead: its letter is written once
        // the revisions before it are done and its index is out.
        compte->setText(QStringLiteral("Aucune lettre de révision à écrire aujourd’hui pour ")
                        + when + u'.');
    else {
        QString text = ready == 0   ? QStringLiteral("Aucune lettre à envoyer")
                       : ready == 1 ? QStringLiteral("1 lettre à envoyer")
                                    : QString::number(ready) + QStringLiteral(" lettres à envoyer");
        text += QStringLiteral(" pour les révisions de ") + when;
        const int refused = int(m_refused.size());
        if (refused == 1)
            text += QStringLiteral("\u00a0; 1 bail sans lettre, motif dans la liste");
        else if (refused > 1)
            text += QStringLiteral("\u00a0; ") + QString::number(refused)
                    + QStringLiteral(" baux sans lettre, motifs dans la liste");
        compte->setText(text + u'.');
    }
    // The month's letters go out together, once every sender is complete.
    m_letters = set.letters;
    if (!m_letters.empty())
        for (const MonthLetterLine& line : set.lines)
            if (line.result.letter)
                m_going.push_back({0,
                                   line.lease->id,
                                   line.basis.revision.status.due,
                                   m_today,
                                   LetterChannel::Printed,
                                   {},
                                   {}});
    showMissingSender(bailleurmanquant, set.missing, true);
    enregistrer->setEnabled(!m_letters.empty());
    imprimer->setEnabled(!m_letters.empty());
}

void MonthLettersDialog::editSender()
{
    if (m_agency) {
        if (editAgency(this, m_session))
            rebuild();
        return;
    }
    qint64 id = m_waiting;
    if (const QList<QTableWidgetItem*> chosen = liste->selectedItems(); !chosen.isEmpty())
        id = liste->item(chosen.front()->row(), 0)->data(Qt::UserRole).toLongLong();
    if (id == 0) {
        const std::optional<Owner> fallback = m_session.store().defaultOwner();
        if (!fallback) {
            MessageBox::critical(this, kTitle, m_session.store().error());
            return;
        }
        id = fallback->id;
    }
    if (editOwner(this, m_session, id))
        rebuild();
}

void MonthLettersDialog::savePdf()
{
    if (m_letters.empty())
        return;
    const QString path = saveLettersAs(this, m_letters, title(), m_programFolders);
    if (path.isEmpty())
        return;
    m_saved = path;
    wentOut(LetterChannel::Pdf,
            QString::number(m_letters.size())
                + (m_letters.size() == 1 ? QStringLiteral(" lettre enregistrée dans ")
                                         : QStringLiteral(" lettres enregistrées dans "))
                + QDir::toNativeSeparators(path) + u'.');
}

void MonthLettersDialog::print()
{
    if (!m_letters.empty() && printLetters(m_letters, title(), this))
        wentOut(LetterChannel::Printed,
                QString::number(m_letters.size())
                    + (m_letters.size() == 1 ? QStringLiteral(" lettre envoyée à l’imprimante.")
                                             : QStringLiteral(" lettres envoyées à "
                                                              "l’imprimante.")));
}

void MonthLettersDialog::wentOut(LetterChannel channel, const QString& said)
{
    std::vector<SentLetter> going = m_going;
    for (SentLetter& letter : going)
        letter.channel = channel;
    LeaseStore& store = m_session.store();
    etat->setText(store.recordLettersSent(going)
                      ? said + QStringLiteral(" Noté dans l’historique de chaque bail.")
                      : said
                            + QStringLiteral(" Leur envoi n’a pas pu être noté dans "
                                             "l’historique des baux\u00a0: ")
                            + store.error());
}

void MonthLettersDialog::follow()
{
    connect(&m_session, &RegisterSession::leaseChanged, this, [this] {
        LeaseStore& store = m_session.store();
        std::optional<std::vector<Lease>> leases = store.leases();
        std::optional<std::vector<RevisionRecord>> last =
            leases ? store.lastRevisions() : std::nullopt;
        if (!leases || !last) {
            // Nothing goes out that may no longer be what the register holds.
            m_letters.clear();
            enregistrer->setEnabled(false);
            imprimer->setEnabled(false);
            etat->setText(store.error());
            return;
        }
        m_leases = std::move(*leases);
        m_lastRevisions = std::move(*last);
        rebuild();
    });
}

MonthLettersDialog* showMonthLetters(QWidget* parent, RegisterSession& session,
                                     const IndexTable& table, const QDate& today)
{
    LeaseStore& store = session.store();
    std::optional<std::vector<Lease>> leases = store.leases();
    std::optional<std::vector<RevisionRecord>> last = leases ? store.lastRevisions() : std::nullopt;
    if (!leases || !last) {
        MessageBox::critical(parent, kTitle,
                             QStringLiteral("Les lettres ne peuvent pas être écrites.\n\n")
                                 + store.error());
        return nullptr;
    }
    auto* dialog =
        new MonthLettersDialog(session, std::move(*leases), std::move(*last), table, today, parent);
    dialog->follow();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    return dialog;
}

} // namespace velmaris
