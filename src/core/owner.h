// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lease.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace velmaris {

// Who owns a dwelling, as the register keeps it: a person, a family SCI (both
// renew an unfurnished lease every 3 years) or a company (every 6).
enum class OwnerKind { Person, FamilySci, Company };

QString ownerKindText(OwnerKind kind); // "personne physique", "SCI familiale", "société"
QString ownerKindKey(OwnerKind kind);  // "physique", "sci", "societe": stored
// Reads the texts and keys above, and a lease's older landlord kinds
// ("personne morale", "morale" read as a company).
std::optional<OwnerKind> ownerKindFromText(QStringView text);
LandlordKind landlordKindOf(OwnerKind kind);
OwnerKind ownerKindOf(LandlordKind kind); // a person for a person, a company for a company

// The longest texts an owner or the agency holds, in characters.
inline constexpr int kMaxOwnerAddressLines = 4; // street lines, before the postal code and town

// One owner (bailleur) of the register; every lease belongs to one.
struct Owner {
    qint64 id = 0; // given by the store; 0 = not stored yet
    QString name;
    QStringList address; // street lines, without the postal code and town
    QString postalCode;
    QString town;
    OwnerKind kind = OwnerKind::Person;
    QString email;
    QString phone;
    QString notes;
    qint64 version = 0; // as for a lease: a write of an owner read before another change is refused

    // The address as an envelope takes it: the street lines, then "75008 PARIS".
    QStringList postalLines() const;
    // The same owner: same name and address, blanks, case and accents aside
    // (what an import matches on).
    bool sameAs(const Owner& other) const;
    // What sameAs compares, as one text.
    QString identity() const;

    bool operator==(const Owner&) const = default;
};

// What a form or an import refuses in an owner, as French phrases starting in
// lower case ("nom du bailleur manquant"); empty when it is sound.
QStringList validateOwner(const Owner& owner);

// Whose a lease is, as an import reads it from its line.
struct LineOwner {
    Owner owner;            // name empty: the register's default owner
    bool kindGiven = false; // the line said the kind (owner.kind)
};

// The owner that holds base's leases of another kind, when leases one sender
// signed were of different kinds: the same address, the kind in its name
// ("Jean Dupont (société)"), and a note that says why, so that nobody takes it
// for a choice.
Owner ownerOfKind(const Owner& base, OwnerKind kind);

// The owner a desk's settings name: the last address line that starts with a
// postal code gives the code and the town. Empty name: « Bailleur à renseigner ».
Owner ownerFromLines(const QString& name, const QStringList& lines, OwnerKind kind);

// The agency that manages the register for its owners, when there is one:
// letters then go out in its name, on each owner's behalf, with the mentions
// the law asks of it (its professional card and the chamber that issued it,
// its financial guarantor).
struct Agency {
    QString name;
    QStringList address; // street lines
    QString postalCode;
    QString town;
    QString cardNumber;  // « CPI 7501 2026 000 000 123 »
    QString cardChamber; // « CCI Paris Île-de-France »
    QString guarantorName;
    QStringList guarantorAddress; // whole lines, town included
    QString email;
    QString phone;
    qint64 version = 0;

    bool isSet() const { return !name.trimmed().isEmpty(); }
    QStringList postalLines() const;
    bool operator==(const Agency&) const = default;
};

// What the agency form refuses ("numéro de carte professionnelle manquant").
QStringList validateAgency(const Agency& agency);

// The mentions an agency's letter carries at its foot:
// « Carte professionnelle n° … délivrée par … » and « Garant financier : …, … ».
QStringList agencyMentions(const Agency& agency);

} // namespace velmaris
