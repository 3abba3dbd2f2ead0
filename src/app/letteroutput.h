#pragma once

#include "datafolder.h"
#include "revisionletter.h"
#include "settings.h"

#include <QString>

#include <vector>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace velmaris {

// What the letter dialogs share: the sender from the settings, the letter of
// one lease, and where its PDF goes.

// The landlord as the letters sign: name and address from section [BAILLEUR].
Landlord landlordOf(const LandlordSettings& settings);
// Both a name and an address: without them no letter can be sent.
bool landlordComplete(const LandlordSettings& settings);

// The letter of a lease from its basis, signed by that landlord at their place.
LetterResult basisLetter(const Lease& lease, const LetterBasis& basis,
                         const LandlordSettings& landlord);

// The same letter with the sender left to fill in ("[Nom du bailleur]"), to
// show what the letter says while the landlord is missing from the settings.
LetterResult draftLetter(const Lease& lease, const LetterBasis& basis,
                         const LandlordSettings& landlord);

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

// The band that asks for the landlord while the settings lack one, for one
// letter or several.
QLabel* missingLandlordBand(QWidget* dialog, bool plural);

// The commands both letter dialogs end with: "Bailleur…" on the left, then
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
