// SPDX-License-Identifier: GPL-3.0-or-later
// The update settings in the "Mise à jour" dialog. Kept apart from the file's
// reader and writer, which the command line uses without any widget.
#include "settings.h"

#include "maj.h"

#include <QCheckBox>
#include <QLineEdit>

namespace velmaris {

UpdateSettings settingsOf(const Maj& maj)
{
    UpdateSettings settings;
    settings.address = maj.ftp->text();
    settings.checkConnection = maj.Checkconnection->isChecked();
    settings.checkMaj = maj.CheckMaj->isChecked();
    settings.corseIdBank = maj.idcorse->text().trimmed();
    settings.outreMerIdBank = maj.idoutremer->text().trimmed();
    return settings;
}

void showSettings(Maj& maj, const UpdateSettings& settings)
{
    maj.ftp->setText(settings.address);
    maj.Checkconnection->setChecked(settings.checkConnection);
    maj.CheckMaj->setChecked(settings.checkMaj);
    maj.idcorse->setText(settings.corseIdBank);
    maj.idoutremer->setText(settings.outreMerIdBank);
}

} // namespace velmaris
