// SPDX-License-Identifier: GPL-3.0-or-later
// The lease form while another desk changes the same lease: what it shows,
// and what its save is checked against.
#include "leaseform.h"

#include <QStringList>

namespace velmaris {

void LeaseForm::rebase(const Lease& current)
{
    // A box the user left as it was follows the register; a box the user
    // changed keeps what was typed.
    const LeaseFields typed = fields();
    const LeaseFields now = fieldsShowing(current);
    LeaseFields f = now;
    auto keep = [&](auto member) {
        if (typed.*member != m_shown.*member)
            f.*member = typed.*member;
    };
    keep(&LeaseFields::reference);
    keep(&LeaseFields::tenant);
    keep(&LeaseFields::tenantEmail);
    keep(&LeaseFields::address);
    keep(&LeaseFields::postalCode);
    keep(&LeaseFields::town);
    keep(&LeaseFields::territory);
    keep(&LeaseFields::furnished);
    keep(&LeaseFields::ownerId);
    keep(&LeaseFields::signingDate);
    keep(&LeaseFields::startDate);
    keep(&LeaseFields::referenceQuarter);
    keep(&LeaseFields::revisionDate);
    keep(&LeaseFields::clause);
    keep(&LeaseFields::dpe);
    keep(&LeaseFields::dpeDate);
    keep(&LeaseFields::rent);
    keep(&LeaseFields::charges);
    keep(&LeaseFields::priorRevision);
    keep(&LeaseFields::notes);
    const bool chosen = m_territoryChosen;
    m_shown = now;
    showFields(f);
    m_territoryChosen = m_territoryChosen || chosen;
}

QString LeaseForm::takeVersion(const Lease& current)
{
    const LeaseFields now = fieldsShowing(current);
    struct Box {
        const char* caption;
        bool changed;
    };
    const Box boxes[] = {
        {"Référence", m_base.reference != now.reference},
        {"Locataire", m_base.tenant != now.tenant},
        {"Courriel", m_base.tenantEmail != now.tenantEmail},
        {"Adresse", m_base.address != now.address},
        {"Code postal", m_base.postalCode != now.postalCode},
        {"Commune", m_base.town != now.town},
        {"Territoire", m_base.territory != now.territory},
        {"Logement meublé", m_base.furnished != now.furnished},
        {"Bailleur", m_base.ownerId != now.ownerId},
        {"Date de signature", m_base.signingDate != now.signingDate},
        {"Date d’effet", m_base.startDate != now.startDate},
        {"Classe DPE", m_base.dpe != now.dpe},
        {"Date du DPE", m_base.dpeDate != now.dpeDate},
        {"Loyer", m_base.rent != now.rent},
        {"Charges", m_base.charges != now.charges},
        {"Trimestre de référence", m_base.referenceQuarter != now.referenceQuarter},
        {"Date de révision", m_base.revisionDate != now.revisionDate},
        {"Clause", m_base.clause != now.clause},
        {"Dernière révision", m_base.priorRevision != now.priorRevision},
        {"Notes", m_base.notes != now.notes},
    };
    QStringList changed;
    for (const Box& box : boxes)
        if (box.changed)
            changed << QString::fromUtf8(box.caption);
    rebase(current);
    m_base = now;
    m_version = current.version;
    return changed.join(QStringLiteral(", "));
}

} // namespace velmaris
