// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

namespace velmaris {

// French typography for a text put together at run time, on screen as on
// paper: a no-break space before « ? ! : ; » and inside « », typographic
// apostrophes, "…" alone where it ends a sentence. What « » quote (a name,
// a path, a value as typed) stays as it is.
QString frenchTypography(QStringView text);

// A count with its noun agreed: "aucun bail", "1 bail", "2 baux";
// feminine: "aucune lettre". The number and its noun never part.
QString countOf(qint64 n, QStringView singular, QStringView plural, bool feminine = false);

// A sentence put together from a message that may already end it: a full stop
// added unless it ends with . ? ! or "…".
QString endOfSentence(QStringView text);

// "de" before a name, elided before a vowel: "d’accueil", "de Martin" (an h
// may be aspirated: never elided).
QString ofName(QStringView name);

} // namespace velmaris
