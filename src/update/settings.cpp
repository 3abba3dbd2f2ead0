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

#include <optional>
#include <tuple>

namespace velmaris {

namespace {

constexpr QStringView kSection = u"FTP";
constexpr QStringView kAddress = u"ADRESS";
constexpr QStringView kCheckConnection = u"CHECKCONNECTION";
constexpr QStringView kCheckMaj = u"CHECKMAJ";
constexpr QStringView kCorse = u"IDBANKCORSE";
constexpr QStringView kOutreMer = u"IDBANKOUTREMER";

constexpr QStringView kLandlordSection = u"BAILLEUR";
constexpr QStringView kLandlordName = u"NOM";
constexpr QStringView kLandlordPlace = u"LIEU";

QString addressKey(int line)
{
    return QStringLiteral("ADRESSE") + QString::number(line);
}

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

// The file as it stands, or nothing when it exists but cannot be read: then it
// is left alone rather than replaced by the few keys written here.
std::optional<QByteArray> currentContent(const QString& iniPath, QString* reason)
{
    QFile file(iniPath);
    if (file.open(QIODevice::ReadOnly))
        return file.readAll();
    if (file.exists()) {
        if (reason)
            *reason = QStringLiteral("« %1 » ne peut pas être lu, il n'est pas remplacé")
                          .arg(QDir::toNativeSeparators(iniPath));
        return std::nullopt;
    }
    return QByteArray();
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
    // A file written before the regional series were known gets INSEE's own.
    if (hasProfileKey(content, kSection, kCorse))
        settings.corseIdBank = profileValue(content, kSection, kCorse).trimmed();
    if (hasProfileKey(content, kSection, kOutreMer))
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
    // A file without an idBank keeps none while it is INSEE's own; one cleared
    // is written empty, so that it stays cleared.
    const UpdateSettings defaults;
    for (const auto& [key, value, builtIn] :
         {std::tuple{kCorse, settings.corseIdBank, defaults.corseIdBank},
          std::tuple{kOutreMer, settings.outreMerIdBank, defaults.outreMerIdBank}})
        if (value != builtIn || hasProfileKey(content, kSection, key))
            content = withProfileValue(content, kSection, key, value);
    return writeFileSafely(iniPath, content, reason);
}

LandlordSettings readLandlord(const QString& iniPath)
{
    QByteArray content;
    QFile file(iniPath);
    if (file.open(QIODevice::ReadOnly))
        content = file.readAll();

    LandlordSettings landlord;
    landlord.name = profileValue(content, kLandlordSection, kLandlordName).trimmed();
    for (int line = 1; line <= kLandlordAddressLines; ++line) {
        const QString text = profileValue(content, kLandlordSection, addressKey(line)).trimmed();
        if (!text.isEmpty())
            landlord.address << text;
    }
    landlord.place = profileValue(content, kLandlordSection, kLandlordPlace).trimmed();
    return landlord;
}

bool writeLandlord(const LandlordSettings& landlord, const QString& iniPath, QString* reason)
{
    QStringList address;
    for (const QString& line : landlord.address)
        if (!line.trimmed().isEmpty())
            address << line.trimmed();
    if (address.size() > kLandlordAddressLines) {
        if (reason)
            *reason = QStringLiteral("l'adresse du bailleur tient en %1 lignes au plus")
                          .arg(kLandlordAddressLines);
        return false;
    }
    std::optional<QByteArray> content = currentContent(iniPath, reason);
    if (!content)
        return false;
    *content = withProfileValue(*content, kLandlordSection, kLandlordName, landlord.name.trimmed());
    for (int line = 1; line <= kLandlordAddressLines; ++line) {
        const QString key = addressKey(line);
        const QString text = address.value(line - 1);
        // A shorter address clears the lines it no longer has, and adds no empty ones.
        if (!text.isEmpty() || !profileValue(*content, kLandlordSection, key).isEmpty())
            *content = withProfileValue(*content, kLandlordSection, key, text);
    }
    *content =
        withProfileValue(*content, kLandlordSection, kLandlordPlace, landlord.place.trimmed());
    return writeFileSafely(iniPath, *content, reason);
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
