// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "quarter.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <map>

namespace velmaris {

// The comment lines of the index file's header that say where a value that
// was not shipped came from. They hold no comma: a comma would cut the line
// into two records.

// "' 1er tr.2026 saisi par l'utilisateur le 09/12/2026": the row was typed
// by hand, and INSEE may still correct it.
QString typedMark(Quarter quarter, const QDate& typedOn);

// The quarters whose rows were typed by hand and not yet checked against
// INSEE, with the day they were typed.
std::map<Quarter, QDate> typedQuarters(const QByteArray& indexFile);

// What replaces the mark of a typed row once INSEE gave its own values:
// "' 1er tr.2026 corrigé selon l'Insee le 10/12/2026 (saisi par l'utilisateur
// le 09/12/2026 : IRL 146.60)", or "confirmé par l'Insee" when INSEE gave the
// same values. typedValues lists what was typed and changed ("IRL 146.60").
QString checkedMark(Quarter quarter, const QDate& typedOn, const QDate& checkedOn,
                    const QString& source, const QString& typedValues);

// "' 2è tr.2025 : IRL de Corse complété depuis l'Insee le 09/12/2026".
QString completedMark(Quarter quarter, const QString& what, const QString& source, const QDate& on);

} // namespace velmaris
