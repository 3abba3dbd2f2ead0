// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings.h"

#include "datafolder.h"
#include "inseesdmx.h"
#include "profile.h"
#include "updaterules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// Far above any settings file; a device or a huge file there is not read.
constexpr qint64 kMaxSettingsBytes = 1024 * 1024;

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
    FileRead read = readRegularFile(iniPath, kMaxSettingsBytes);
    if (read.ok())
        return std::move(read.bytes);
    if (read.status == FileRead::Status::Missing)
        return QByteArray();
    if (reason)
        *reason = QStringLiteral("« %1 » ne peut pas être lu (%2), il n'est pas remplacé")
                      .arg(QDir::toNativeSeparators(iniPath), read.reason);
    return std::nullopt;
}

// What a read finds: the defaults stand for a file that cannot be read.
QByteArray contentOrNothing(const QString& iniPath)
{
    return currentContent(iniPath, nullptr).value_or(QByteArray());
}

} // namespace

UpdateSettings readSettings(const QString& iniPath)
{
    const QByteArray content = contentOrNothing(iniPath);
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
    std::optional<QByteArray> current = currentContent(iniPath, reason);
    if (!current)
        return false;
    QByteArray content = withProfileValue(*current, kSection, kAddress, settings.address);
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
    const QByteArray content = contentOrNothing(iniPath);
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

RegisterSettings readRegisterSettings(const QString& iniPath)
{
    const QByteArray content = contentOrNothing(iniPath);
    const auto value = [&](QStringView key) {
        return profileValue(content, u"REGISTRE", key).trimmed();
    };
    RegisterSettings settings;
    settings.host = value(u"HOST");
    bool ok = false;
    if (const int port = value(u"PORT").toInt(&ok); ok && port > 0 && port <= 65535)
        settings.port = port;
    settings.database = value(u"DATABASE");
    settings.user = value(u"USER");
    settings.sslmode = value(u"SSLMODE");
    settings.sslrootcert = value(u"SSLROOTCERT");
    return settings;
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

Settings::Settings(const QString& iniPath, QObject* parent)
    : QObject(parent)
{
    load(iniPath);
}

void Settings::load(const QString& iniPath)
{
    m_path = iniPath;
    m_update = iniPath.isEmpty() ? UpdateSettings() : readSettings(iniPath);
    emit updateChanged();
}

QString Settings::folder() const
{
    return m_path.isEmpty() ? QString() : QFileInfo(m_path).absolutePath();
}

bool Settings::setUpdate(const UpdateSettings& settings, QString* reason)
{
    if (!m_path.isEmpty() && !writeSettings(settings, m_path, reason))
        return false;
    m_update = settings;
    emit updateChanged();
    return true;
}

LandlordSettings Settings::landlord() const
{
    return m_path.isEmpty() ? m_landlord : readLandlord(m_path);
}

bool Settings::setLandlord(const LandlordSettings& landlord, QString* reason)
{
    if (m_path.isEmpty()) {
        m_landlord = landlord;
        return true;
    }
    return writeLandlord(landlord, m_path, reason);
}

} // namespace velmaris

// Compiled here rather than with the dialogs' meta-objects: the command line
// takes this file alone, with QtCore.
#include "moc_settings.cpp"
