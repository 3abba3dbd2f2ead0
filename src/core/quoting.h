// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

namespace velmaris {

// A name, a value or a path as every French message quotes it: "« text »".
QString quoted(QStringView text);

// A file or folder path quoted so, written with the system's separators.
QString quotedPath(const QString& path);

} // namespace velmaris
