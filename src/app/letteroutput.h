// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datafolder.h"
#include "leaseletters.h"
#include "revisionletter.h"

#include <QString>
#include <QStringList>

#include <vector>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace velmaris {

// What the letter dialogs share besides the letters (leaseletters.h): where
// their PDF goes, the band that asks for their sender, their commands.

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
