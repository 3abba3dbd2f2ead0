// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "programs.h"

#include <QString>

#include <functional>

class QObject;

namespace velmaris {

// Opens the index file in a text editor; the program goes on, and ended is
// called when the editor's process ends so that the file is read again.
EditorStart editIndexFile(const QString& indexPath, QObject* owner, std::function<void()> ended);

// What "Mise à jour manuelle" says when no text editor is installed.
inline constexpr QStringView kNoTextEditor =
    u"Aucun éditeur de texte n'est installé pour modifier le fichier des indices.\n\n"
    u"Voulez-vous saisir le nouvel indice dans Velmaris (« Saisir un indice… ») ?";

} // namespace velmaris
