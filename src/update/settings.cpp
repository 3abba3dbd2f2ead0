#include "settings.h"

#include "maj.h"
#include "profile.h"

#include <QCheckBox>
#include <QLineEdit>

namespace velmaris {

namespace {

constexpr QStringView kSection = u"FTP";
constexpr QStringView kAddress = u"ADRESS";
constexpr QStringView kCheckConnection = u"CHECKCONNECTION";
constexpr QStringView kCheckMaj = u"CHECKMAJ";

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

UpdateSettings readSettings(const QString& iniPath)
{
    UpdateSettings settings;
    settings.address = readProfileString(kSection, kAddress, iniPath);
    if (settings.address.isEmpty())
        settings.address = kDefaultAddress.toString();
    settings.checkConnection = readProfileString(kSection, kCheckConnection, iniPath) != u"0";
    settings.checkMaj = readProfileString(kSection, kCheckMaj, iniPath) == u"1";
    return settings;
}

bool writeSettings(const UpdateSettings& settings, const QString& iniPath)
{
    // Each key is written even when an earlier one failed, as the system's own
    // profile functions would.
    bool ok = writeProfileString(kSection, kAddress, settings.address, iniPath);
    ok = writeProfileString(kSection, kCheckConnection, flag(settings.checkConnection), iniPath)
         && ok;
    ok = writeProfileString(kSection, kCheckMaj, flag(settings.checkMaj), iniPath) && ok;
    return ok;
}

void loadSettings(Maj& maj, const QString& iniPath)
{
    maj.setIniPath(iniPath);
    showSettings(maj, readSettings(iniPath));
}

UpdateSettings settingsOf(const Maj& maj)
{
    return {maj.ftp->text(), maj.Checkconnection->isChecked(), maj.CheckMaj->isChecked()};
}

void showSettings(Maj& maj, const UpdateSettings& settings)
{
    maj.ftp->setText(settings.address);
    maj.Checkconnection->setChecked(settings.checkConnection);
    maj.CheckMaj->setChecked(settings.checkMaj);
}

} // namespace velmaris
