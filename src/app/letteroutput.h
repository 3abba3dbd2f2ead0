#pragma once

#include "datafolder.h"
#include "leasestore.h"
#include "owner.h"
#include "revisionletter.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace velmaris {

// What the letter dialogs share: the sender from the register, the letter of
// one lease, and where its PDF goes.

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

// A file name from a title: the characters no file system takes ("/", "\",
// ":", "*", "?", quotes, "<", ">", "|", controls) become "-", blanks at the
// ends go, ".pdf" ends it. "Lettre de révision A/12" gives
// "Lettre de révision A-12.pdf".
QString pdfFileName(const QString& title);

// Asks where the PDF of these letters goes (suggesting `title` as its file
// name in the documents folder) and writes it. The path written, or empty:
// the user cancelled, or the file could not be written and a box said why.
// Never over one of the program's own files (folders).
QString saveLettersAs(QWidget* parent, const std::vector<RevisionLetter>& letters,
                      const QString& title, const DataFolders& folders);

// The band that asks for what the senders lack (LeaseSender::missing(), one
// or several), hidden while they lack nothing; for one letter or several.
QLabel* missingSenderBand(QWidget* dialog);
void showMissingSender(QLabel* band, const QStringList& missing, bool plural);

// The commands both letter dialogs end with: "Bailleur…" (or "Agence…") on the left, then
// "Enregistrer en PDF…" (the default button), "Imprimer" and "Fermer", in `row`.
struct LetterCommands {
    QPushButton* bailleur = nullptr;
    QPushButton* enregistrer = nullptr;
    QPushButton* imprimer = nullptr;
    QPushButton* fermer = nullptr;
    QHBoxLayout* row = nullptr;
};
LetterCommands letterCommands(QWidget* dialog);

} // namespace velmaris
