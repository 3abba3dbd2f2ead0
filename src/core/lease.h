// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indexseries.h"
#include "quarter.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <tuple>

namespace velmaris {

// The revision clause written in the lease.
enum class Clause {
    HausseSeulement, // "à la hausse seulement": a falling index keeps the rent
    HausseEtBaisse,  // "à la hausse et à la baisse": a falling index lowers it
};

// Who lets the dwelling: it sets how often an unfurnished lease renews
// (3 years for a person or a family SCI, 6 for a company).
enum class LandlordKind {
    Person,  // "personne physique ou SCI familiale"
    Company, // "personne morale"
};

// The energy class of the dwelling (diagnostic de performance énergétique).
enum class DpeClass { None, A, B, C, D, E, F, G };

// Amounts are whole cents; a rent above this is refused everywhere (it also
// keeps rent x index products far from overflow).
inline constexpr qint64 kMaxAmountCents = 9'999'999'999; // 99 999 999,99 €

// The longest texts a lease holds, in characters: what the form, the CSV
// import, a restore and the register itself accept.
inline constexpr int kMaxReferenceLength = 100;
inline constexpr int kMaxNameLength = 300; // tenant, address, town
inline constexpr int kMaxNotesLength = 4000;
inline constexpr int kMaxContactLength = 200; // e-mail, telephone, card number

// One lease of the register.
struct Lease {
    qint64 id = 0; // given by the store; 0 = not stored yet
    QString reference;
    QString tenant;
    QString tenantEmail; // where "Envoyer par courriel…" sends the letter; may be empty
    QString address;
    QString postalCode;
    QString town; // "LYON": the last line of the address is "69003 LYON"
    Territory territory = Territory::Metropole; // from the postal code unless edited
    bool furnished = false;
    LandlordKind landlordKind = LandlordKind::Person;
    QDate signingDate;
    QDate startDate;
    // The quarter written in the lease ("IRL du 2è tr.2019"); invalid when the
    // lease names none: then the last one published at the signing date counts.
    Quarter referenceQuarter;
    // Day and month of the yearly revision; 0 = the anniversary of the start date.
    int revisionDay = 0;
    int revisionMonth = 0;
    Clause clause = Clause::HausseSeulement;
    DpeClass dpeClass = DpeClass::None;
    QDate dpeDate;
    qint64 rentCents = 0;    // rent in force, charges excluded
    qint64 chargesCents = 0; // kept apart, never revised
    // Due date of the last revision made before the lease entered the register
    // (invalid = none): without it an old lease would look years behind.
    QDate priorRevision;
    QString notes;
    // The register's count of the lease's changes when it was read (0: not
    // stored): a write of a lease read before another change is refused.
    qint64 version = 0;
    // The owner it belongs to (0: the register's default owner when written).
    // landlordKind follows the owner's kind in the register.
    qint64 ownerId = 0;

    // The revision day and month in force (the start date's when none is set).
    int effectiveRevisionDay() const;
    int effectiveRevisionMonth() const;

    bool operator==(const Lease&) const = default;
};

// One revision applied to a lease. The history only ever grows.
struct RevisionRecord {
    qint64 id = 0;
    qint64 leaseId = 0;
    QDate dueDate;       // the yearly revision date it belongs to
    QDate requestDate;   // when the landlord asked for it
    QDate effectiveDate; // from when the new rent is owed
    qint64 oldRentCents = 0;
    qint64 newRentCents = 0;
    Quarter baseQuarter;
    double baseValue = 0;
    Quarter newQuarter;
    double newValue = 0;
    IndexSeries series = IndexSeries::Irl;
    QString notes;       // the explanation lines, one per line
    QString appliedBy;   // the desk's user who recorded it (empty before that was kept)
    QDateTime appliedAt; // when, in UTC

    // The same revision, whoever recorded it and whenever: who and when are
    // the register's account of it, not part of the revision.
    bool operator==(const RevisionRecord& other) const
    {
        return std::tie(id, leaseId, dueDate, requestDate, effectiveDate, oldRentCents,
                        newRentCents, baseQuarter, baseValue, newQuarter, newValue, series, notes)
               == std::tie(other.id, other.leaseId, other.dueDate, other.requestDate,
                           other.effectiveDate, other.oldRentCents, other.newRentCents,
                           other.baseQuarter, other.baseValue, other.newQuarter, other.newValue,
                           other.series, other.notes);
    }
};

// The territory of a French postal code: 20xxx, 2Axxx, 2Bxxx -> Corse;
// 971xx to 976xx -> outre-mer, but 975xx, 97133 and 97150 (no series of their
// own) -> Unset; anything else -> métropole.
Territory territoryFromPostalCode(QStringView postalCode);

// The place a postal code of Unset names ("Saint-Barthélemy"), empty for others.
QString placeWithoutSeries(QStringView postalCode);
// "pas de série de l'IRL publiée pour Saint-Barthélemy : indiquez le territoire"
QString noSeriesMessage(QStringView postalCode);

// Whether a postal code has the French form: five digits, from 01xxx to 95xxx
// or 97xxx (Corsica's are 20xxx). Which overseas codes a revision follows is
// the territory's business, not this one's.
bool isValidPostalCode(QStringView postalCode);

// "2A004", "2B033": Corsican commune codes that older registers hold as postal
// codes. A stored one keeps working; a new one is refused (postalCodeProblem()).
bool isCorsicanCommuneCode(QStringView postalCode);

// Why a postal code typed or imported is refused, in French ("code postal
// invalide « 99999 » (…)"); empty when it is sound or empty.
QString postalCodeProblem(QStringView postalCode);

// Texts as the register writes them, and their readers (case and accents as
// written; the readers also accept the plain keys the database stores).
// Unset is the empty text and the empty key.
QString territoryText(Territory territory); // "métropole", "Corse", "outre-mer"
QString territoryKey(Territory territory);  // "metropole", "corse", "outremer": stored
std::optional<Territory> territoryFromText(QStringView text);
QString clauseText(Clause clause); // "à la hausse seulement", "à la hausse et à la baisse"
std::optional<Clause> clauseFromText(QStringView text);
QString
landlordKindText(LandlordKind kind); // "personne physique ou SCI familiale", "personne morale"
QString landlordKindKey(LandlordKind kind); // "physique", "morale": stored
std::optional<LandlordKind> landlordKindFromText(QStringView text);
QString dpeText(DpeClass dpe); // "A" to "G", empty for none
std::optional<DpeClass> dpeFromText(QStringView text);

// What a form or an import refuses in a lease, as French phrases starting in
// lower case ("date de signature invalide"); empty when the lease is sound.
// Given today, a signing, a last revision or a diagnosis after it is refused
// too (the start date may lie ahead).
// Why a typed e-mail address cannot be one ("courriel du locataire invalide
// « … »"), `whose` naming it; empty for an empty or plausible address.
QString emailProblem(const QString& mail, const QString& whose);

QStringList validateLease(const Lease& lease, const QDate& today = QDate());

} // namespace velmaris
