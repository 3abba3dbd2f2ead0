// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace velmaris {

// A small reader and writer for Windows private-profile (INI) files, read and
// written one key at a time. Unlike QSettings it leaves the rest of the file as
// it found it: other sections, other keys, comments, blank lines, line order
// and line endings. Section and key names are found without regard to letter
// case; a value is the text after the first "=", surrounding blanks removed.

// The value of key in section, or "" when the section, the key or its "=" is missing.
QString profileValue(const QByteArray& content, QStringView section, QStringView key);

// Whether key is written in section, with a value or an empty one.
bool hasProfileKey(const QByteArray& content, QStringView section, QStringView key);

// The content with key set to value in section. An existing key keeps its line
// and its spelling; a missing key is added at the end of its section; a missing
// section is added at the end of the content.
QByteArray withProfileValue(const QByteArray& content, QStringView section, QStringView key,
                            const QString& value);

// The same on a file. A missing or unreadable file reads as "".
QString readProfileString(QStringView section, QStringView key, const QString& path);

// Creates the file when needed and replaces it atomically, never through a
// symbolic link; false, with the reason in French, when it cannot be written.
bool writeProfileString(QStringView section, QStringView key, const QString& value,
                        const QString& path, QString* reason = nullptr);

} // namespace velmaris
