// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lawfulrevision.h"
#include "lease.h"
#include "owner.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace velmaris {

// Who a letter comes from: the lease's owner, or the agency on its behalf.
struct LetterSender {
    QString name;
    QStringList address;  // postal address, one line each, town last
    QString onBehalfOf;   // "Pour le compte de Jean Dupont", empty without agency
    QString place;        // where it is signed: the sender's town
    QStringList mentions; // the agency's card and guarantor, for the foot of the page
    QString signature;    // the name under the letter
};

// The sender of a lease's letters: the agency when it is set, on the owner's
// behalf, else the owner.
LetterSender letterSender(const Owner& owner, const Agency& agency);
// "[Nom du bailleur]"-style placeholders, to show a letter while its sender is
// incomplete; empty when the sender can sign.
QString senderProblem(const LetterSender& sender);

// A line of figures in the body: what it is on the left, the amount on the right.
struct LetterFigure {
    QString label;
    QString value;
};

// A paragraph of the body, or (figures not empty) a small table of figures.
struct LetterBlock {
    QString text;
    std::vector<LetterFigure> figures;
};

// The revision letter to the tenant, as text ready to be laid out: the blocks
// of a French letter from the sender at the top left to the signature.
struct RevisionLetter {
    QString reference;     // the lease's, for file names and the subject
    QStringList sender;    // the sender's name, then the address
    QString onBehalfOf;    // "Pour le compte de …" under the sender, when an agency writes
    QStringList mentions;  // the agency's mentions at the foot of the letter
    QStringList recipient; // the tenant, then the address of the dwelling
    QString placeAndDate;  // "Lyon, le 2 avril 2026"
    QString delivery;      // "Lettre recommandée avec avis de réception", or empty
    QString subject;       // "Objet : révision annuelle du loyer au 15 mars 2026"
    QString subjectDetail; // "Réf. : bail A-12"
    QString salutation;    // "Madame,"
    std::vector<LetterBlock> body;
    QString closing;   // "Je vous prie d'agréer, Madame, ..."
    QString signature; // the landlord's name
};

// The line above the subject of a letter sent by registered mail.
QString registeredMailLine();

// A letter, or why there is none (a French sentence).
struct LetterResult {
    std::optional<RevisionLetter> letter;
    QString refusal;
};

// The letter that asks for the revision, dated `date` and signed at the sender's place:
// the lease, its clause and art. 17-1 of the law of 6 July 1989, the revision
// date and the date from which the new rent is owed (the later of the
// revision's and the letter's: never before the request), both indices with
// their quarter and series, the formula and the change in per cent, old and
// new rent without charges, the charges unchanged. No letter for a revision
// that is not computed or not due, whose year is over at `date` (lost), that
// leaves the rent as it is (a freeze, a fall under "à la hausse seulement"),
// whose new rent does not follow the formula, nor without landlord or tenant.
LetterResult revisionLetter(const Lease& lease, const LawfulRevision& revision,
                            const LetterSender& sender, const QDate& date);

// What a lease's letter is written from at `today`, and its date:
// - the revision to ask now, when its date is reached: dated today;
// - else the coming one once its index is out (sent ahead, it takes effect on
//   the revision date): dated today;
// - else the revision recorded for the year in progress: dated its request.
// Otherwise the revision of today, which revisionLetter() refuses with the reason.
struct LetterBasis {
    LawfulRevision revision;
    QDate date;
    bool recorded = false; // taken from the history
};
LetterBasis letterBasis(const Lease& lease, const std::vector<RevisionRecord>& history,
                        const IndexTable& table, const QDate& today);

// A recorded revision as the letter needs it: due at its revision date, computed.
LawfulRevision revisionOfRecord(const Lease& lease, const RevisionRecord& record);

// The leases whose revision date, or the last day to ask a revision still
// due, falls in that month, with the basis of
// their letter at `today` (the revision not yet due when its letter waits);
// sorted by revision date, then reference. lastRevisions
// holds the latest record of each lease, as LeaseStore::lastRevisions() gives.
struct MonthLetter {
    const Lease* lease = nullptr; // points into `leases`
    LetterBasis basis;
};
std::vector<MonthLetter> monthLetters(const std::vector<Lease>& leases,
                                      const std::vector<RevisionRecord>& lastRevisions,
                                      const IndexTable& table, const QDate& today, int year,
                                      int month);

// The letter as plain text, block after block, one blank line between them.
QString letterText(const RevisionLetter& letter);

// Texts as a letter writes them, whatever the locale.
QString salutationFor(const QString& tenant); // "Madame,", "Monsieur,", "Madame, Monsieur,"

} // namespace velmaris
