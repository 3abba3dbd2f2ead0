// SPDX-License-Identifier: GPL-3.0-or-later
#include "agencydialog.h"

#include "formrows.h"
#include "messages.h"
#include "quoting.h"
#include "registersession.h"
#include "windowfit.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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

const QString kTitle = QStringLiteral("Agence");

QStringList linesOf(const QPlainTextEdit* box)
{
    QStringList lines;
    for (const QString& line : box->toPlainText().split(u'\n'))
        if (!line.trimmed().isEmpty())
            lines << line.simplified();
    return lines;
}

// Room for `lines` lines of the box's font, no more.
void fitLines(QPlainTextEdit* box, int lines)
{
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setFixedHeight(box->fontMetrics().lineSpacing() * lines
                        + int(box->document()->documentMargin() * 2) + box->frameWidth() * 2);
}

} // namespace

AgencyDialog::AgencyDialog(RegisterSession& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
{
    setObjectName(QStringLiteral("Agence"));
    setWindowTitle(QStringLiteral("Agence"));
    buildControls();
    LeaseStore& store = m_session.store();
    const std::optional<Agency> agency = store.agency();
    if (agency) {
        m_shown = *agency;
        showAgency(m_shown);
    } else {
        // Nothing is written over an agency that could not be read.
        etat->setText(store.error());
        enregistrer->setEnabled(false);
        aucune->setEnabled(false);
    }
    if (store.isReadOnly()) {
        const QString why = QStringLiteral("Lecture seule\u00a0: ") + store.readOnlyReason() + u'.';
        for (QPushButton* b : {enregistrer, aucune}) {
            b->setEnabled(false);
            b->setToolTip(why);
        }
    }
}

void AgencyDialog::buildControls()
{
    auto line = [this](const QString& name, int length, const QString& placeholder = {}) {
        auto* box = named(new QLineEdit(this), name);
        box->setMaxLength(length);
        box->setPlaceholderText(placeholder);
        return box;
    };
    etat = named(new QLabel(this), QStringLiteral("etat"));
    etat->setWordWrap(true);
    nom = line(QStringLiteral("nom"), kMaxNameLength);
    adresse = named(new QPlainTextEdit(this), QStringLiteral("adresse"));
    fitLines(adresse, kMaxOwnerAddressLines);
    codepostal = line(QStringLiteral("codepostal"), 5);
    commune = line(QStringLiteral("commune"), kMaxNameLength);
    carte = line(QStringLiteral("carte"), kMaxContactLength,
                 QStringLiteral("ex. CPI 6901 2026 000 000 123"));
    chambre = line(QStringLiteral("chambre"), kMaxContactLength,
                   QStringLiteral("ex. CCI Lyon Métropole Saint-Étienne Roanne"));
    garant = line(QStringLiteral("garant"), kMaxContactLength);
    adressegarant = named(new QPlainTextEdit(this), QStringLiteral("adressegarant"));
    fitLines(adressegarant, 3);
    courriel = line(QStringLiteral("courriel"), kMaxContactLength, QStringLiteral("facultatif"));
    telephone = line(QStringLiteral("telephone"), kMaxContactLength, QStringLiteral("facultatif"));

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(QStringLiteral("&Nom de l’agence\u00a0:"), nom);
    form->addRow(QStringLiteral("&Adresse\u00a0:"), adresse);
    addPostalRow(form, codepostal, commune, this);
    form->addRow(QStringLiteral("Carte p&rofessionnelle n°\u00a0:"), carte);
    form->addRow(QStringLiteral("Délivrée par &la\u00a0:"), chambre);
    form->addRow(QStringLiteral("&Garant financier\u00a0:"), garant);
    form->addRow(QStringLiteral("Adresse du garan&t\u00a0:"), adressegarant);
    form->addRow(QStringLiteral("Co&urriel\u00a0:"), courriel);
    form->addRow(QStringLiteral("Télé&phone\u00a0:"), telephone);

    auto* buttons = new QDialogButtonBox(this);
    enregistrer =
        named(buttons->addButton(QStringLiteral("&Enregistrer"), QDialogButtonBox::AcceptRole),
              QStringLiteral("enregistrer"));
    aucune = named(
        buttons->addButton(QStringLiteral("Aucune agen&ce"), QDialogButtonBox::DestructiveRole),
        QStringLiteral("aucune"));
    aucune->setToolTip(QStringLiteral("Aucune agence\u00a0: les lettres partent au nom du "
                                      "bailleur"));
    annuler = named(buttons->addButton(QStringLiteral("Annu&ler"), QDialogButtonBox::RejectRole),
                    QStringLiteral("annuler"));
    enregistrer->setDefault(true);
    connect(enregistrer, &QPushButton::clicked, this, &AgencyDialog::save);
    connect(aucune, &QPushButton::clicked, this, &AgencyDialog::removeAgency);
    connect(annuler, &QPushButton::clicked, this, &AgencyDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(etat);
    layout->addSpacing(4);
    layout->addLayout(form, 1);
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 70);
    tabOrderFromLayout(this);
    scrollWhenSmall(this, buttons);
}

void AgencyDialog::showAgency(const Agency& a)
{
    nom->setText(a.name);
    adresse->setPlainText(a.address.join(u'\n'));
    codepostal->setText(a.postalCode);
    commune->setText(a.town);
    carte->setText(a.cardNumber);
    chambre->setText(a.cardChamber);
    garant->setText(a.guarantorName);
    adressegarant->setPlainText(a.guarantorAddress.join(u'\n'));
    courriel->setText(a.email);
    telephone->setText(a.phone);
    etat->setText(a.isSet() ? QStringLiteral("Les lettres partent au nom de l’agence, pour le "
                                             "compte de chaque bailleur, avec sa carte "
                                             "professionnelle et son garant financier en pied "
                                             "de page.")
                            : QStringLiteral("Aucune agence\u00a0: les lettres partent au nom du "
                                             "bailleur."));
    aucune->setEnabled(a.isSet() && !m_session.store().isReadOnly());
}

Agency AgencyDialog::agency() const
{
    Agency a;
    a.name = nom->text().simplified();
    a.address = linesOf(adresse);
    a.postalCode = codepostal->text().trimmed().toUpper();
    a.town = commune->text().simplified();
    a.cardNumber = carte->text().simplified();
    a.cardChamber = chambre->text().simplified();
    a.guarantorName = garant->text().simplified();
    a.guarantorAddress = linesOf(adressegarant);
    a.email = courriel->text().trimmed();
    a.phone = telephone->text().trimmed();
    a.version = m_shown.version;
    return a;
}

bool AgencyDialog::isChanged() const
{
    // The agency shown as the boxes would write it back: blanks are no change.
    Agency shown = m_shown;
    auto tidy = [](QStringList lines) {
        QStringList out;
        for (const QString& line : lines)
            if (!line.trimmed().isEmpty())
                out << line.simplified();
        return out;
    };
    for (QString* text :
         {&shown.name, &shown.town, &shown.cardNumber, &shown.cardChamber, &shown.guarantorName})
        *text = text->simplified();
    shown.postalCode = shown.postalCode.trimmed().toUpper();
    shown.email = shown.email.trimmed();
    shown.phone = shown.phone.trimmed();
    shown.address = tidy(shown.address);
    shown.guarantorAddress = tidy(shown.guarantorAddress);
    return agency() != shown;
}

QWidget* AgencyDialog::boxOf(const QString& problem) const
{
    // The phrases name several boxes ("chambre … qui a délivré la carte"):
    // the most particular word first.
    if (problem.startsWith(u"nom"))
        return nom;
    if (problem.contains(u"code postal"))
        return codepostal;
    if (problem.startsWith(u"commune"))
        return commune;
    if (problem.contains(u"chambre"))
        return chambre;
    if (problem.contains(u"garant"))
        return garant->text().trimmed().isEmpty() ? static_cast<QWidget*>(garant) : adressegarant;
    if (problem.contains(u"incomplète"))
        return linesOf(adresse).isEmpty() ? static_cast<QWidget*>(adresse) : commune;
    if (problem.contains(u"adresse"))
        return adresse;
    if (problem.contains(u"carte"))
        return carte;
    for (QLineEdit* box : {carte, chambre, garant, courriel, telephone})
        if (box->text().size() > kMaxContactLength)
            return box;
    return nom;
}

void AgencyDialog::save()
{
    const Agency typed = agency();
    if (!typed.isSet()) {
        // No name: no agency. One that was set goes only when the user says so.
        if (m_shown.isSet())
            removeAgency();
        else
            QDialog::accept();
        return;
    }
    if (const QStringList problems = validateAgency(typed); !problems.isEmpty()) {
        refuseSave(this, kTitle, QStringLiteral("L’agence n’est pas enregistrée"), problems,
                   boxOf(problems.front()));
        return;
    }
    if (write(typed))
        QDialog::accept();
}

void AgencyDialog::removeAgency()
{
    if (!m_shown.isSet())
        return;
    if (!MessageBox::question(this, QStringLiteral("Aucune agence"),
                              QStringLiteral("Ne plus écrire au nom de l’agence ")
                                  + quoted(m_shown.name)
                                  + QStringLiteral("\u00a0? Les lettres partiront au nom de "
                                                   "chaque bailleur.")))
        return;
    Agency none;
    none.version = m_shown.version;
    if (write(none))
        QDialog::accept();
}

bool AgencyDialog::write(const Agency& agency)
{
    LeaseStore& store = m_session.store();
    if (!store.setAgency(agency)) {
        QString error = store.error();
        // Another desk changed it meanwhile: the user is told, and the next
        // "Enregistrer" goes over that change.
        if (store.errorKind() == StoreError::Conflict)
            if (const std::optional<Agency> current = store.agency()) {
                m_shown.version = current->version;
                error += keptAfterConflict();
            }
        MessageBox::critical(this, kTitle, error);
        return false;
    }
    m_session.announce(0); // every letter's sender follows
    return true;
}

void AgencyDialog::reject()
{
    if (isChanged() && !abandonChanges(this))
        return;
    QDialog::reject();
}

bool editAgency(QWidget* parent, RegisterSession& session)
{
    AgencyDialog dialog(session, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace velmaris
