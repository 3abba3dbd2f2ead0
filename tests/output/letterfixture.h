// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The revision letters the letter tests lay out and print.

#include "leasefixture.h"
#include "revisionletter.h"

namespace velmaris::test {

inline const IndexTable& letterTable()
{
    static const IndexTable t = realTable();
    return t;
}

// The letter of lease A-12 in Lyon, revised on 15 March 2024, from `sender`
// (the name, then the address) to `tenant` at `postal`.
inline RevisionLetter letterFor(const QString& tenant, const QString& postal,
                                const QStringList& sender)
{
    Lease lease = makeLease(QStringLiteral("A-12"), QDate(2023, 3, 15), 85000);
    lease.signingDate = QDate(2023, 3, 10);
    lease.tenant = tenant;
    lease.address = QStringLiteral("8 rue Paul Bert");
    lease.postalCode = postal;
    lease.town = QStringLiteral("Lyon");
    lease.territory = territoryFromPostalCode(postal);
    const QDate at(2024, 3, 15);
    LetterSender from;
    from.name = from.signature = sender.value(0);
    from.address = sender.mid(1);
    from.place = QStringLiteral("Lyon");
    const LetterResult result =
        revisionLetter(lease, reviseLease(lease, {}, letterTable(), at), from, at);
    if (!result.letter)
        qFatal("%s", qPrintable(result.refusal));
    return *result.letter;
}

inline RevisionLetter sampleLetter()
{
    return letterFor(QStringLiteral("Mme Durand"), QStringLiteral("69003"),
                     {QStringLiteral("Jean Martin"), QStringLiteral("12 avenue Foch"),
                      QStringLiteral("69006 Lyon")});
}

// The sender and the tenant with the longest names and addresses a letter
// meets: each wraps over several lines.
inline const QString& longAddressLine()
{
    static const QString line = QStringLiteral("Résidence les Terrasses du Parc de la Tête "
                                               "d’Or, bâtiment C, escalier 4, troisième étage, "
                                               "porte droite au fond du couloir");
    return line;
}
inline const QString& longTenant()
{
    static const QString tenant = QStringLiteral("M. et Mme Bernard-Lefèvre de la Tour "
                                                 "d’Auvergne, héritiers de Mme Lefèvre");
    return tenant;
}
inline QStringList longSender()
{
    return {QStringLiteral("SCI des Grands Appartements Lyonnais et Villeurbannais"),
            longAddressLine(),
            longAddressLine(),
            longAddressLine(),
            QStringLiteral("CS 30001"),
            QStringLiteral("69006 Lyon Cedex 06")};
}

// The letter as an agency sends it for the owner: on its behalf, with its
// card and guarantor at the foot.
inline RevisionLetter agencyLetter()
{
    RevisionLetter letter =
        letterFor(QStringLiteral("Mme Durand"), QStringLiteral("69003"),
                  {QStringLiteral("Agence du Parc"), QStringLiteral("4 place Bellecour"),
                   QStringLiteral("69002 LYON")});
    letter.onBehalfOf = QStringLiteral("Pour le compte de Jean Martin");
    letter.mentions = {
        QStringLiteral("Carte professionnelle n° CPI 6901 2026 000 000 123 "
                       "délivrée par la CCI Lyon Métropole Saint-Étienne Roanne, délégation de "
                       "Villeurbanne"),
        QStringLiteral("Garant financier\u00a0: Galian, 89 rue La Boétie, 75008 Paris")};
    return letter;
}

} // namespace velmaris::test
