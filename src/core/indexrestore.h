// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace velmaris {

// Puts the index file shipped with the program back at path, in place of a
// file that could not be read as a table, with the one safe write. A file that
// still holds something is first kept beside it (VELMARIS.TXT.corrompu-date):
// a hand edit with one slip is not lost. Empty when done; else why not, in
// French, and path is left as it was.
QString putBackShippedIndex(const QString& shipped, const QString& path);

// Whether the shipped copy can stand in for path: it exists and is another file.
bool canPutBackShippedIndex(const QString& shipped, const QString& path);

// For the command line: how to put the shipped copy back by hand, one line in
// French. A copy with none shipped says to put a sound file there.
QString putBackAdvice(const QString& shipped, const QString& path);

} // namespace velmaris
