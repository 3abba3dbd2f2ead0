// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The revision letters of the register's leases, as the letter dialogs and
// velmaris-cli write them: who sends them, one lease's letter, the month's
// letters, and the titles their documents carry.
#include "leasestore.h"
#include "owner.h"
#include "revisionletter.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace velmaris {

// Who a lease's letters come from: its owner (the register's default owner
// when it has none), or the agency on its behalf.
struct LeaseSender {
    Owner owner;
    Agency agency;

    LetterSender sender() const { return letterSender(owner, agency); }
    // A name and a whole postal address: without them no letter can be sent.
    bool complete() const;
    // What the letter still lacks, "" when complete: "l'adresse postale du
    // bailleur « Jean Martin »", "le code postal et la commune de l'agence « … »".
    QString missing() const;
};

// The owners and the agency, read once for the letters of several leases.
struct RegisterSenders {
    std::vector<Owner> owners;
    qint64 fallback = 0; // the default owner's id
    Agency agency;

    LeaseSender of(const Lease& lease) const;
};

// Read from the store; nothing, with the store's error, when they cannot be.
std::optional<LeaseSender> leaseSender(LeaseStore& store, const Lease& lease);
std::optional<RegisterSenders> registerSenders(LeaseStore& store);

// The letter of a lease from its basis, sent by that sender.
LetterResult basisLetter(const Lease& lease, const LetterBasis& basis, const LetterSender& sender);

// The same letter with what the sender lacks left to fill in ("[Adresse du
// bailleur]"), to show what the letter says while the register lacks it.
LetterResult draftLetter(const Lease& lease, const LetterBasis& basis, const LeaseSender& sender);

// The letter as it goes out when its sender is complete, else its draft.
LetterResult leaseLetter(const Lease& lease, const LetterBasis& basis, const LeaseSender& sender);

// The titles of the documents, which are their file names too:
// "Lettre de révision A-12", "Lettres de révision mars 2026".
QString letterTitle(const QString& reference);
QString monthLettersTitle(int year, int month);

// A lease of the month: its letter (a draft while its sender is incomplete),
// or why it gets none (result.refusal).
struct MonthLetterLine {
    const Lease* lease = nullptr; // points into the leases given
    LetterBasis basis;
    LeaseSender sender;
    LetterResult result;
};

// The month's letters, in monthLetters()'s order, from the senders read.
struct MonthLetterSet {
    std::vector<MonthLetterLine> lines;
    // The letters that go out: every one written, or none while a sender
    // lacks something, since the month's letters go out together.
    std::vector<RevisionLetter> letters;
    QStringList missing; // what the senders lack (LeaseSender::missing()), each said once
    qint64 waiting = 0;  // the first owner whose letters wait for it
};
MonthLetterSet monthLetterSet(const std::vector<Lease>& leases,
                              const std::vector<RevisionRecord>& lastRevisions,
                              const IndexTable& table, const RegisterSenders& senders,
                              const QDate& today, int year, int month);

} // namespace velmaris
