// SPDX-License-Identifier: GPL-3.0-or-later
#include "letterdialog.h"

#include "agencydialog.h"
#include "defaultprinter.h"
#include "letteroutput.h"
#include "letterprinter.h"
#include "lettersend.h"
#include "messages.h"
#include "ownerform.h"
#include "quoting.h"
#include "typography.h"
#include "windowfit.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmaris {

namespace {

template <typename T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

const QString kTitle = QStringLiteral("Lettre de révision");

} // namespace

LetterDialog::LetterDialog(RegisterSession& session, const Lease& lease,
                           const std::vector<RevisionRecord>& history, const IndexTable& table,
                           const QDate& today, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_lease(lease)
    , m_table(table)
    , m_today(today)
    , m_basis(letterBasis(lease, history, table, today))
{
    setObjectName(QStringLiteral("Lettre"));
    setWindowTitle(title());
    buildControls();
    rebuild();
}

QString LetterDialog::title() const
{
    return letterTitle(m_lease.reference);
}

void LetterDialog::buildControls()
{
    bailleurmanquant = missingSenderBand(this);

    texte = named(new QPlainTextEdit(this), QStringLiteral("texte"));
    texte->setReadOnly(true);
    texte->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    const QFontMetrics metrics(texte->font());
    texte->setMinimumSize(
        withinScreen(this, QSize(metrics.averageCharWidth() * 86, metrics.lineSpacing() * 30)));

    etat = named(new QLabel(this), QStringLiteral("etat"));
    etat->setWordWrap(true);
    etat->setTextInteractionFlags(Qt::TextSelectableByMouse);

    const LetterCommands commands = letterCommands(this);
    recommandee = named(new QCheckBox(QStringLiteral("Recommandée avec AR"), this),
                        QStringLiteral("recommandee"));
    recommandee->setToolTip(QStringLiteral("La lettre porte «\u00a0Lettre recommandée avec avis de "
                                           "réception\u00a0» au-dessus de l’objet"));
    courriel = named(new QPushButton(QStringLiteral("Envoyer par courriel…"), this),
                     QStringLiteral("courriel"));
    courriel->setAutoDefault(false);
    bailleur = commands.bailleur;
    enregistrer = commands.enregistrer;
    imprimer = commands.imprimer;
    fermer = commands.fermer;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addWidget(bailleurmanquant);
    layout->addWidget(texte, 1);
    layout->addWidget(etat);
    // How it goes out, above the commands that send it: the row of buttons
    // keeps to the width of a small screen.
    auto* sending = new QHBoxLayout;
    sending->addWidget(recommandee, 1);
    sending->addWidget(courriel);
    layout->addLayout(sending);
    layout->addLayout(commands.row);
    giveMnemonics(this);
    scrollWhenSmall(this, commands.row);

    connect(bailleur, &QPushButton::clicked, this, &LetterDialog::editSender);
    connect(enregistrer, &QPushButton::clicked, this, &LetterDialog::savePdf);
    connect(courriel, &QPushButton::clicked, this, &LetterDialog::sendByMail);
    connect(recommandee, &QCheckBox::toggled, this, &LetterDialog::rebuild);
    connect(imprimer, &QPushButton::clicked, this, &LetterDialog::print);
    connect(fermer, &QPushButton::clicked, this, &LetterDialog::reject);
}

void LetterDialog::rebuild()
{
    const std::optional<LeaseSender> sender = leaseSender(m_session.store(), m_lease);
    if (!sender) {
        // Nothing goes out from a sender that could not be read.
        m_letter.reset();
        m_refusal.clear();
        enregistrer->setEnabled(false);
        imprimer->setEnabled(false);
        etat->setText(m_session.store().error());
        return;
    }
    m_agency = sender->agency.isSet();
    bailleur->setText(m_agency ? QStringLiteral("&Agence…") : QStringLiteral("&Bailleur…"));
    bailleur->setToolTip(m_agency ? QStringLiteral("L’agence, qui écrit pour le compte de ")
                                        + sender->owner.name
                                  : QStringLiteral("Le bailleur du bail, qui signe la lettre"));
    const bool complete = sender->complete();
    // Without its sender the letter still reads, what is missing to fill in.
    LetterResult result = leaseLetter(m_lease, m_basis, *sender);
    m_refusal = result.letter ? QString() : result.refusal;
    if (result.letter && recommandee->isChecked())
        result.letter->delivery = registeredMailLine();
    texte->setPlainText(result.letter ? letterText(*result.letter) : m_refusal);
    if (complete && result.letter)
        m_letter = std::move(result.letter);
    else
        m_letter.reset();
    QStringList missing;
    if (!complete && m_refusal.isEmpty())
        missing << sender->missing();
    showMissingSender(bailleurmanquant, missing, false);
    enregistrer->setEnabled(m_letter.has_value());
    imprimer->setEnabled(m_letter.has_value());
    courriel->setEnabled(m_letter.has_value());
    courriel->setToolTip(
        m_lease.tenantEmail.trimmed().isEmpty()
            ? QStringLiteral("Le bail n’a pas de courriel du locataire\u00a0: votre "
                             "programme de courriel s’ouvrira sans destinataire")
            : QStringLiteral("La lettre en PDF, jointe à un courriel pour ")
                  + m_lease.tenantEmail.trimmed());
}

void LetterDialog::editSender()
{
    if (m_agency) {
        if (editAgency(this, m_session))
            rebuild();
        return;
    }
    const std::optional<LeaseSender> sender = leaseSender(m_session.store(), m_lease);
    if (!sender) {
        MessageBox::critical(this, kTitle, m_session.store().error());
        return;
    }
    if (editOwner(this, m_session, sender->owner.id))
        rebuild();
}

void LetterDialog::follow()
{
    connect(&m_session, &RegisterSession::leaseChanged, this, [this](qint64 id) {
        if (id == m_lease.id || id == 0)
            leaseChanged();
    });
}

void LetterDialog::leaseChanged()
{
    LeaseStore& store = m_session.store();
    const std::optional<Lease> lease = store.lease(m_lease.id);
    const std::optional<std::vector<RevisionRecord>> history =
        lease ? store.history(m_lease.id) : std::nullopt;
    if (!lease || !history) {
        // Nothing goes out that the register no longer holds.
        m_letter.reset();
        enregistrer->setEnabled(false);
        imprimer->setEnabled(false);
        etat->setText(store.error());
        return;
    }
    m_lease = *lease;
    m_basis = letterBasis(m_lease, *history, m_table, m_today);
    setWindowTitle(title());
    rebuild();
}

void LetterDialog::savePdf()
{
    if (!m_letter)
        return;
    const QString path = saveLettersAs(this, {*m_letter}, title(), m_programFolders);
    if (path.isEmpty())
        return;
    m_saved = path;
    wentOut(LetterChannel::Pdf,
            QStringLiteral("Lettre enregistrée dans ") + QDir::toNativeSeparators(path) + u'.');
}

void LetterDialog::print()
{
    if (m_letter && printLetters({*m_letter}, title(), this))
        wentOut(LetterChannel::Printed, QStringLiteral("Lettre envoyée à l’imprimante."));
}

void LetterDialog::sendByMail()
{
    if (!m_letter)
        return;
    // Once: the mail program may take a moment to open.
    courriel->setEnabled(false);
    etat->setText(QStringLiteral("Ouverture de votre programme de courriel…"));
    mailLetter(this, m_lease, *m_letter, title(), [this](const QString& error) {
        courriel->setEnabled(m_letter.has_value());
        if (!error.isEmpty()) {
            etat->clear();
            MessageBox::critical(
                this, kTitle,
                QStringLiteral("La lettre n’a pas pu être jointe à un courriel\u00a0: ")
                    + endOfSentence(error)
                    + QStringLiteral(" Enregistrez-la en PDF et joignez-la vous-même."));
            return;
        }
        const QString to = m_lease.tenantEmail.trimmed();
        wentOut(LetterChannel::Email,
                QStringLiteral("Lettre jointe à un courriel dans votre programme de courriel")
                    + (to.isEmpty() ? QString() : QStringLiteral(", pour ") + to) + u'.');
    });
}

void LetterDialog::wentOut(LetterChannel channel, const QString& said)
{
    const QString failed = recordLetterOut(m_session.store(), m_lease.id,
                                           m_basis.revision.status.due, m_today, channel);
    etat->setText(failed.isEmpty()
                      ? said + QStringLiteral(" Noté dans l’historique du bail (")
                            + sentLetterText({0, m_lease.id, {}, m_today, channel, {}, {}})
                            + QStringLiteral(").")
                      : said + u' ' + failed);
}

LetterDialog* showLeaseLetter(QWidget* parent, RegisterSession& session, qint64 leaseId,
                              const IndexTable& table, const QDate& today)
{
    LeaseStore& store = session.store();
    const std::optional<Lease> lease = store.lease(leaseId);
    const std::optional<std::vector<RevisionRecord>> history =
        lease ? store.history(leaseId) : std::nullopt;
    if (!lease || !history) {
        MessageBox::critical(parent, kTitle,
                             QStringLiteral("La lettre ne peut pas être écrite.\n\n")
                                 + store.error());
        return nullptr;
    }
    auto* dialog = new LetterDialog(session, *lease, *history, table, today, parent);
    if (!dialog->refusal().isEmpty()) {
        const QString reason = dialog->refusal();
        delete dialog;
        MessageBox::information(parent, kTitle,
                                QStringLiteral("Pas de lettre pour le bail ")
                                    + quoted(lease->reference) + QStringLiteral(".\n\n") + reason);
        return nullptr;
    }
    dialog->follow();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    return dialog;
}

} // namespace velmaris
