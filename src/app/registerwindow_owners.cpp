// SPDX-License-Identifier: GPL-3.0-or-later
// The register window's side of owners: "Bailleurs…" and "Agence…", the
// list filtered by owner, and the desk's landlord met at each opening.
#include "registerwindow.h"

#include "agencydialog.h"
#include "messages.h"
#include "ownersdialog.h"
#include "settings.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace velmaris {

void RegisterWindow::addOwnerButtons(QBoxLayout* side)
{
    bailleurs = new QPushButton(QStringLiteral("&Bailleurs…"), this);
    bailleurs->setObjectName(QStringLiteral("bailleurs"));
    bailleurs->setToolTip(QStringLiteral("Les bailleurs du registre\u00a0: leurs coordonnées, "
                                         "qui signent les lettres, et leurs baux"));
    agence = new QPushButton(QStringLiteral("A&gence…"), this);
    agence->setObjectName(QStringLiteral("agence"));
    agence->setToolTip(QStringLiteral("L’agence qui gère le registre\u00a0: ses lettres partent "
                                      "à son nom, pour le compte de chaque bailleur"));
    side->addSpacing(12);
    for (QPushButton* b : {bailleurs, agence}) {
        b->setAutoDefault(false);
        side->addWidget(b);
    }
    connect(bailleurs, &QPushButton::clicked, this, &RegisterWindow::showOwners);
    connect(agence, &QPushButton::clicked, this, &RegisterWindow::showAgency);
}

QLabel* RegisterWindow::buildOwnerFilter()
{
    filtrebailleur = new QComboBox(this);
    filtrebailleur->setObjectName(QStringLiteral("filtrebailleur"));
    filtrebailleur->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    filtrebailleur->setMinimumContentsLength(12);
    filtrebailleur->setMaxVisibleItems(20);
    filtrebailleur->setToolTip(QStringLiteral("Les baux d’un seul bailleur, ou de tous"));
    filtrebailleur->addItem(QStringLiteral("Tous"), qint64(0));
    connect(filtrebailleur, &QComboBox::currentIndexChanged, this, [this] {
        m_filter.setOwner(filtrebailleur->currentData().toLongLong());
        updateCount();
    });
    // No Alt letter of its own: "Bailleurs…" holds the B.
    auto* label = new QLabel(QStringLiteral("Bailleur\u00a0:"), this);
    label->setBuddy(filtrebailleur);
    return label;
}

bool RegisterWindow::readOwners()
{
    std::optional<std::vector<Owner>> owners = m_store.owners();
    if (!owners)
        return false;
    // A register without any owner yet has no default one either.
    std::optional<Owner> fallback;
    if (!owners->empty() && !(fallback = m_store.defaultOwner()))
        return false;
    m_owners = std::move(*owners);
    m_defaultOwner = fallback ? fallback->id : 0;
    return true;
}

void RegisterWindow::showOwnerFilter()
{
    const qint64 keep = filtrebailleur->currentData().toLongLong();
    {
        const QSignalBlocker block(filtrebailleur);
        filtrebailleur->clear();
        filtrebailleur->addItem(QStringLiteral("Tous"), qint64(0));
        for (const Owner& o : m_owners)
            filtrebailleur->addItem(o.name, o.id);
        // An owner removed meanwhile: every lease again.
        filtrebailleur->setCurrentIndex(std::max(0, filtrebailleur->findData(keep)));
    }
    m_filter.setOwner(filtrebailleur->currentData().toLongLong());
    updateCount();
}

QString RegisterWindow::adoptDeskLandlord()
{
    m_adopted = true;
    if (!m_settings)
        return {};
    const LandlordSettings landlord = m_settings->landlord();
    const std::optional<QString> said = m_store.adoptLandlord(landlord.name, landlord.address);
    if (!said) {
        // The register stays as it was; the letters say what their sender lacks.
        avis->setText(QStringLiteral("Le bailleur des réglages de ce poste n’a pas pu être "
                                     "repris dans le registre\u00a0: ")
                      + m_store.error());
        avis->show();
        return avis->text();
    }
    avis->setText(*said);
    avis->setVisible(!said->isEmpty());
    return *said;
}

void RegisterWindow::showOwners()
{
    if (!m_store.isOpen())
        return;
    OwnersDialog dialog(m_session, this);
    if (const qint64 id = m_filter.owner())
        dialog.selectOwner(id);
    dialog.exec();
}

void RegisterWindow::showAgency()
{
    if (m_store.isOpen())
        editAgency(this, m_session);
}

} // namespace velmaris
