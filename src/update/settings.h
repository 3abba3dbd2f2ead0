// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "inseesdmx.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace velmaris {

// Where the indices are fetched from until the user types another address:
// INSEE's SDMX service, series of the IRL.
inline constexpr QStringView kDefaultAddress = kIrlSeriesAddress;

// The address earlier copies wrote as their default. Its host never resolved,
// so a settings file holding it is read as holding none.
inline constexpr QStringView kFormerDefaultAddress =
    u"http://velmaris.example/telechar/VELMARIS.TXT";

// INSEE's series of the IRL of Corsica and of the overseas departments.
inline constexpr QStringView kCorseIdBank = u"010760507";
inline constexpr QStringView kOutreMerIdBank = u"010760509";

// The update settings as Velmaris.ini holds them, section "FTP".
struct UpdateSettings {
    QString address = kDefaultAddress.toString();  // ADRESS: where the indices are fetched
    bool checkConnection = true;                   // CHECKCONNECTION: test the connection first
    bool checkMaj = false;                         // CHECKMAJ: automatic update at start-up
    QString corseIdBank = kCorseIdBank.toString(); // IDBANKCORSE: IRL of Corsica, column 4
    QString outreMerIdBank = kOutreMerIdBank.toString(); // IDBANKOUTREMER: overseas, column 5

    bool operator==(const UpdateSettings&) const = default;
};

// Reads section "FTP" of the settings file: an empty or missing ADRESS (or the
// former default) gives the default address, CHECKCONNECTION is off only for
// "0", CHECKMAJ on only for "1"; the idBanks are read with blanks trimmed, a
// missing one is INSEE's own and an empty one means none.
UpdateSettings readSettings(const QString& iniPath);

// Writes ADRESS, CHECKCONNECTION, CHECKMAJ, then the idBanks when other than
// INSEE's own or already present, leaving the rest of the file as it is, in one atomic
// replacement. False, with the reason in French, when it cannot be written.
bool writeSettings(const UpdateSettings& settings, const QString& iniPath,
                   QString* reason = nullptr);

// Why the settings cannot be kept, as the sentence the dialog shows; empty
// when they can: the address must be http or https, an idBank digits only.
QString settingsRefusal(const UpdateSettings& settings);

// The landlord who signs the revision letters, section "BAILLEUR": NOM, the
// postal address in ADRESSE1 to ADRESSE5 (a French address takes six lines
// with the name), LIEU where the letters are signed.
inline constexpr int kLandlordAddressLines = 5;
struct LandlordSettings {
    QString name;
    QStringList address; // no blank line
    QString place;

    bool operator==(const LandlordSettings&) const = default;
};

// Reads section "BAILLEUR", blanks trimmed, empty address lines dropped.
LandlordSettings readLandlord(const QString& iniPath);

// Writes NOM, the address lines (clearing the former ones beyond), LIEU,
// leaving the rest of the file as it is, in one atomic replacement. False,
// with the reason in French, when it cannot be written or the address is
// longer than kLandlordAddressLines.
bool writeLandlord(const LandlordSettings& landlord, const QString& iniPath,
                   QString* reason = nullptr);

// An office's shared register on a PostgreSQL server, section "REGISTRE":
// HOST (a name, an address, or the folder of the server's socket), PORT,
// DATABASE, USER, SSLMODE, SSLROOTCERT (the certificate authority). Never a
// password: libpq's ~/.pgpass, or the window asks once per session.
struct RegisterSettings {
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslmode;
    QString sslrootcert; // the certificate authority's file, for verify-full

    // Without a database the register is the SQLite file of the data folder.
    bool isSet() const { return !database.isEmpty(); }
    bool operator==(const RegisterSettings&) const = default;
};

// Reads section "REGISTRE", blanks trimmed; a PORT that does not read is 5432.
RegisterSettings readRegisterSettings(const QString& iniPath);

// Velmaris.ini and its sections, one object for the whole program: the
// application makes it and lends it to the update dialog, the landlord and
// letter dialogs, the register's backups and the command line. QtCore only.
class Settings : public QObject {
    Q_OBJECT

public:
    // iniPath empty: nothing is read or written, the settings live in memory (tests).
    explicit Settings(const QString& iniPath = QString(), QObject* parent = nullptr);

    // Reads another file (or the same again); the update settings follow.
    void load(const QString& iniPath);
    QString path() const { return m_path; }
    // The folder of the file, empty when there is none.
    QString folder() const;

    // Section "FTP" as in effect; written first, then put in effect, so that a
    // file that cannot be written leaves both as they were.
    const UpdateSettings& update() const { return m_update; }
    bool setUpdate(const UpdateSettings& settings, QString* reason = nullptr);

    // Section "BAILLEUR", read each time: another copy of the program may have
    // written it since.
    LandlordSettings landlord() const;
    bool setLandlord(const LandlordSettings& landlord, QString* reason = nullptr);

signals:
    void updateChanged();

private:
    QString m_path;
    UpdateSettings m_update;
    LandlordSettings m_landlord; // only without a file
};

} // namespace velmaris
