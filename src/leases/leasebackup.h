// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace velmaris {

// The landlord a backup of the register carries, so that a register brought
// back signs its letters as before. The settings file keeps it; a backup holds
// a copy in a table of its own (backup_landlord: key, value, as the settings'
// section [BAILLEUR] names them: NOM, ADRESSE1 to ADRESSE5, LIEU).
struct BackupLandlord {
    QString name;
    QStringList address;
    QString place;

    bool isEmpty() const { return name.isEmpty() && address.isEmpty() && place.isEmpty(); }
    bool operator==(const BackupLandlord&) const = default;
};

// The name a copy of the register kept before a restore takes beside it:
// Velmaris.sqlite.2026-12-09-081500.bak.
QString datedCopyName(const QString& registerPath, const QDateTime& at);

} // namespace velmaris
