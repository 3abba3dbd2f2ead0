// SPDX-License-Identifier: GPL-3.0-or-later
#include "ownerform.h"

#include "formrows.h"
#include "messages.h"
#include "registersession.h"
#include "windowfit.h"

#include <QComboBox>
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

const QString kTitle = QStringLiteral("Bailleur");

} // namespace

OwnerForm::OwnerForm(const Owner& owner, QWidget* parent)
    : QDialog(parent)
    , m_shown(owner)
{
    setObjectName(QStringLiteral("FicheBailleur"));
    setWindowTitle(owner.id == 0 ? QStringLiteral("Nouveau bailleur")
                                 : QStringLiteral("Bailleur ") + owner.name.trimmed());
    buildControls();
    showOwner(owner);
}

void OwnerForm::buildControls()
{
    auto line = [this](const QString& name, int length, const QString& placeholder = {}) {
        auto* box = named(new QLineEdit(this), name);
        box->setMaxLength(length);
        box->setPlaceholderText(placeholder);
        return box;
    };
    nom = line(QStringLiteral("nom"), kMaxNameLength,
               QStringLiteral("Jean Martin, SCI Les Tilleuls…"));
    for (int i = 0; i < kMaxOwnerAddressLines; ++i)
        adresse[std::size_t(i)] = line(QStringLiteral("adresse%1").arg(i + 1), kMaxNameLength,
                                       i == 0 ? QStringLiteral("12 avenue Foch") : QString());
    codepostal = line(QStringLiteral("codepostal"), 5, QStringLiteral("69006"));
    commune = line(QStringLiteral("commune"), kMaxNameLength, QStringLiteral("Lyon"));
    qualite = named(new QComboBox(this), QStringLiteral("qualite"));
    for (OwnerKind kind : {OwnerKind::Person, OwnerKind::FamilySci, OwnerKind::Company})
        qualite->addItem(ownerKindText(kind), int(kind));
    qualite->setToolTip(QStringLiteral("Bail vide\u00a0: renouvelé tous les 3 ans avec une personne "
                                       "physique ou une SCI familiale, tous les 6 ans avec une "
                                       "société\u00a0; la qualité vaut pour tous ses baux"));
    courriel = line(QStringLiteral("courriel"), kMaxContactLength, QStringLiteral("facultatif"));
    telephone = line(QStringLiteral("telephone"), kMaxContactLength, QStringLiteral("facultatif"));
    notes = named(new QPlainTextEdit(this), QStringLiteral("notes"));
    notes->setTabChangesFocus(true);
    notes->setMinimumHeight(notes->fontMetrics().lineSpacing() * 3);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(QStringLiteral("&Nom ou raison sociale\u00a0:"), nom);
    form->addRow(QStringLiteral("&Adresse\u00a0:"), adresse[0]);
    for (int i = 1; i < kMaxOwnerAddressLines; ++i)
        form->addRow(QString(), adresse[std::size_t(i)]);
    addPostalRow(form, codepostal, commune, this);
    form->addRow(QStringLiteral("&Qualité\u00a0:"), qualite);
    form->addRow(QStringLiteral("Co&urriel\u00a0:"), courriel);
    form->addRow(QStringLiteral("&Téléphone\u00a0:"), telephone);
    form->addRow(QStringLiteral("N&otes\u00a0:"), notes);

    auto* buttons = new QDialogButtonBox(this);
    enregistrer =
        named(buttons->addButton(QStringLiteral("&Enregistrer"), QDialogButtonBox::AcceptRole),
              QStringLiteral("enregistrer"));
    annuler = named(buttons->addButton(QStringLiteral("Annu&ler"), QDialogButtonBox::RejectRole),
                    QStringLiteral("annuler"));
    enregistrer->setDefault(true);
    connect(enregistrer, &QPushButton::clicked, this, &OwnerForm::save);
    connect(annuler, &QPushButton::clicked, this, &OwnerForm::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 64);
    tabOrderFromLayout(this);
    scrollWhenSmall(this, buttons);
}

void OwnerForm::showOwner(const Owner& owner)
{
    nom->setText(owner.name);
    for (int i = 0; i < kMaxOwnerAddressLines; ++i)
        adresse[std::size_t(i)]->setText(owner.address.value(i));
    // Lines beyond the boxes (an owner imported so) stay on the last one, never dropped.
    if (owner.address.size() > kMaxOwnerAddressLines)
        adresse.back()->setText(
            owner.address.mid(kMaxOwnerAddressLines - 1).join(QStringLiteral(", ")));
    codepostal->setText(owner.postalCode);
    commune->setText(owner.town);
    qualite->setCurrentIndex(std::max(0, qualite->findData(int(owner.kind))));
    courriel->setText(owner.email);
    telephone->setText(owner.phone);
    notes->setPlainText(owner.notes);
}

Owner OwnerForm::owner() const
{
    Owner o;
    o.id = m_shown.id;
    o.version = m_shown.version;
    o.name = nom->text().simplified();
    for (const QLineEdit* line : adresse)
        if (!line->text().trimmed().isEmpty())
            o.address << line->text().simplified();
    o.postalCode = codepostal->text().trimmed().toUpper();
    o.town = commune->text().simplified();
    o.kind = OwnerKind(qualite->currentData().toInt());
    o.email = courriel->text().trimmed();
    o.phone = telephone->text().trimmed();
    o.notes = notes->toPlainText();
    return o;
}

bool OwnerForm::isChanged() const
{
    Owner shown = m_shown;
    // Compared as the boxes write it: blanks the register kept are no change.
    shown.name = shown.name.simplified();
    shown.address.clear();
    for (const QString& line : m_shown.address)
        if (!line.trimmed().isEmpty())
            shown.address << line.simplified();
    if (shown.address.size() > kMaxOwnerAddressLines)
        return true;
    shown.postalCode = shown.postalCode.trimmed().toUpper();
    shown.town = shown.town.simplified();
    shown.email = shown.email.trimmed();
    shown.phone = shown.phone.trimmed();
    return owner() != shown;
}

void OwnerForm::setSave(Save save)
{
    m_save = std::move(save);
}

void OwnerForm::setReadOnly(const QString& why)
{
    enregistrer->setEnabled(false);
    enregistrer->setToolTip(why);
}

QWidget* OwnerForm::boxOf(const QString& problem) const
{
    if (problem.startsWith(u"nom"))
        return nom;
    if (problem.contains(u"code postal"))
        return codepostal;
    if (problem.startsWith(u"commune"))
        return commune;
    if (problem.startsWith(u"courriel"))
        return courriel;
    if (problem.contains(u"adresse")) {
        for (QLineEdit* line : adresse)
            if (line->text().size() > kMaxNameLength)
                return line;
        return adresse[0];
    }
    if (problem.contains(u"courriel"))
        return courriel;
    if (problem.contains(u"téléphone"))
        return telephone;
    if (problem.startsWith(u"notes"))
        return notes;
    return nom;
}

void OwnerForm::save()
{
    const Owner o = owner();
    if (const QStringList problems = validateOwner(o); !problems.isEmpty()) {
        refuseSave(this, kTitle, QStringLiteral("Le bailleur n’est pas enregistré"), problems,
                   boxOf(problems.front()));
        return;
    }
    QString error;
    if (m_save && !m_save(o, &error)) {
        MessageBox::critical(this, kTitle, error);
        return;
    }
    m_saved = o;
    accept();
}

void OwnerForm::reject()
{
    if (isChanged() && !abandonChanges(this))
        return;
    QDialog::reject();
}

bool editOwner(QWidget* parent, RegisterSession& session, qint64 id)
{
    LeaseStore& store = session.store();
    const std::optional<Owner> owner = store.owner(id);
    if (!owner) {
        MessageBox::critical(parent, kTitle, store.error());
        return false;
    }
    OwnerForm form(*owner, parent);
    if (store.isReadOnly())
        form.setReadOnly(QStringLiteral("Lecture seule\u00a0: ") + store.readOnlyReason() + u'.');
    form.setSave([&](const Owner& o, QString* error) {
        if (store.updateOwner(o)) {
            session.announce(0); // its name and kind show in every lease and letter
            return true;
        }
        *error = store.error();
        // The other change is now the one the user's typing goes over, the user told.
        if (store.errorKind() == StoreError::Conflict)
            if (const std::optional<Owner> current = store.owner(o.id)) {
                form.setVersion(current->version);
                *error += keptAfterConflict();
            }
        return false;
    });
    return form.exec() == QDialog::Accepted;
}

qint64 addOwner(QWidget* parent, RegisterSession& session)
{
    LeaseStore& store = session.store();
    OwnerForm form(Owner(), parent);
    qint64 added = 0;
    form.setSave([&](const Owner& o, QString* error) {
        const std::optional<qint64> id = store.addOwner(o);
        if (!id) {
            *error = store.error();
            return false;
        }
        added = *id;
        session.announce(0);
        return true;
    });
    return form.exec() == QDialog::Accepted ? added : 0;
}

} // namespace velmaris
