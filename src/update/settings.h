#pragma once

#include <QString>

namespace velmaris {

class Maj;

// Where the index file is fetched from until the user types the real address.
// The host is reserved and never resolves.
inline constexpr QStringView kDefaultAddress = u"http://velmaris.example/telechar/VELMARIS.TXT";

// The three update settings as Velmaris.ini holds them.
struct UpdateSettings {
    QString address;             // ADRESS: the index file's URL
    bool checkConnection = true; // CHECKCONNECTION: test the connection first
    bool checkMaj = false;       // CHECKMAJ: automatic update at start-up
};

// Reads section "FTP" of the settings file: an empty or missing ADRESS gives the
// default address, CHECKCONNECTION is off only for "0", CHECKMAJ on only for "1".
UpdateSettings readSettings(const QString& iniPath);

// Writes ADRESS, CHECKCONNECTION and CHECKMAJ in that order, leaving the rest
// of the file as it is. False when the file cannot be written.
bool writeSettings(const UpdateSettings& settings, const QString& iniPath);

// Reads Velmaris.ini into the dialog's controls (once, at start-up) and
// remembers the path for the dialog's OK button.
void loadSettings(Maj& maj, const QString& iniPath);

// The dialog's controls as settings, and back.
UpdateSettings settingsOf(const Maj& maj);
void showSettings(Maj& maj, const UpdateSettings& settings);

} // namespace velmaris
