#include "settings.h"

#include "datafolder.h"
#include "inseesdmx.h"
#include "maj.h"
#include "profile.h"
#include "updaterules.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>

namespace velmaris {

namespace {

constexpr QStringView kSection = u"FTP";
constexpr QStringView kAddress = u"ADRESS";
constexpr QStringView kCheckConnection = u"CHECKCONNECTION";
constexpr QStringView kCheckMaj = u"CHECKMAJ";
constexpr QStringView kCorse = u"IDBANKCORSE";
constexpr QStringView kOutreMer = u"IDBANKOUTREMER";

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

bool digitsOnly(const QString& text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace

UpdateSettings readSettings(const QString& iniPath)
{
    QByteArray content;
    QFile file(iniPath);
    if (file.open(QIODevice::ReadOnly))
        content = file.readAll();

    UpdateSettings settings;
    const QString address = profileValue(content, kSection, kAddress);
    if (!address.isEmpty() && address != kFormerDefaultAddress)
        settings.address = address;
    settings.checkConnection = profileValue(content, kSection, kCheckConnection) != u"0";
    settings.checkMaj = profileValue(content, kSection, kCheckMaj) == u"1";
    settings.corseIdBank = profileValue(content, kSection, kCorse).trimmed();
    settings.outreMerIdBank = profileValue(content, kSection, kOutreMer).trimmed();
    return settings;
}

bool writeSettings(const UpdateSettings& settings, const QString& iniPath, QString* reason)
{
    QByteArray content;
    {
        // A file that exists but cannot be read is left alone rather than
        // replaced by the few keys written here.
        QFile file(iniPath);
        if (file.open(QIODevice::ReadOnly)) {
            content = file.readAll();
        } else if (file.exists()) {
            if (reason)
                *reason = QStringLiteral("« %1 » ne peut pas être lu, il n'est pas remplacé")
                              .arg(QDir::toNativeSeparators(iniPath));
            return false;
        }
    }
    content = withProfileValue(content, kSection, kAddress, settings.address);
    content = withProfileValue(content, kSection, kCheckConnection, flag(settings.checkConnection));
    content = withProfileValue(content, kSection, kCheckMaj, flag(settings.checkMaj));
    // A file that never had an idBank does not get an empty one.
    for (const auto& [key, value] :
         {std::pair{kCorse, settings.corseIdBank}, std::pair{kOutreMer, settings.outreMerIdBank}})
        if (!value.isEmpty() || !profileValue(content, kSection, key).isEmpty())
            content = withProfileValue(content, kSection, key, value);
    return writeFileSafely(iniPath, content, reason);
}

QString settingsRefusal(const UpdateSettings& settings)
{
    if (!downloadUrl(settings.address))
        return QStringLiteral("Adresse non prise en charge : seules les adresses http et https "
                              "le sont.");
    const struct {
        const QString& idBank;
        const char* name;
    } idBanks[] = {{settings.corseIdBank, "de Corse"}, {settings.outreMerIdBank, "d'outre-mer"}};
    for (const auto& id : idBanks)
        if (!digitsOnly(id.idBank.trimmed()))
            return QStringLiteral("L'idBank de l'IRL %1 ne s'écrit qu'avec des chiffres (celui "
                                  "de l'IRL est %2).")
                .arg(QString::fromUtf8(id.name), kIrlIdBank.toString());
    return {};
}

void loadSettings(Maj& maj, const QString& iniPath)
{
    maj.setIniPath(iniPath);
    maj.setSettings(readSettings(iniPath));
}

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
