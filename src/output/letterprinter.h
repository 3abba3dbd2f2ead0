// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "revisionletter.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;

namespace velmaris {

// The letters' font families, in order of preference: a serif, as letters are.
QStringList letterFontCandidates();

// The first candidate installed (spelt exactly so), else the default font; 11 points.
QFont letterFont(const QStringList& families);

// Paints the letters on an A4 device set up with no margin (a PDF writer, or
// a printer in full-page mode), one document, each letter from a new page.
// False when painting on it fails.
bool drawLetters(QPagedPaintDevice& device, const std::vector<RevisionLetter>& letters);

// The letters as one PDF document; empty when it could not be made.
QByteArray lettersPdf(const std::vector<RevisionLetter>& letters, const QString& title);

// Writes that PDF to the file, replacing it atomically. False, with the
// reason in French, when nothing was written (no letter: no blank page).
bool saveLettersPdf(const std::vector<RevisionLetter>& letters, const QString& title,
                    const QString& path, QString* reason = nullptr);

} // namespace velmaris
