// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace velmaris {

// The CSV of INSEE's values in the ZIP at path (valeurs_trimestrielles.csv,
// else its one CSV), never more than limit bytes. False, with the reason in
// French (no final stop), when it cannot be read.
bool csvFromZip(const QString& path, qint64 limit, QByteArray* csv, QString* reason);

} // namespace velmaris
