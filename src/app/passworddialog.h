// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velmaris {

// The server's password, asked in the window: "Mémoriser le mot de passe"
// keeps it in the desktop's keyring, never in a file of ours.
class PasswordDialog : public QDialog {
    Q_OBJECT

public:
    PasswordDialog(const QString& prompt, QWidget* parent = nullptr);

    QString password() const;
    bool remember() const;

    QLabel* invite = nullptr;
    QLineEdit* motdepasse = nullptr;
    QCheckBox* memoriser = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* annuler = nullptr;
};

// The desktop's keyring (the Secret Service, KWallet…), through QtKeychain.
// Each call waits for the keyring with an event loop of its own, so that the
// window keeps painting and the keyring may ask the user to unlock it.
namespace keyring {

struct Read {
    bool found = false;
    QString password;
    QString error; // French, empty when the keyring answered (found or not)
};
Read readPassword(const QString& key);
// Empty when kept; else why not, in French.
QString writePassword(const QString& key, const QString& password);

} // namespace keyring

} // namespace velmaris
