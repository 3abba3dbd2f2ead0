// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace velmaris {

// The update dialog. It shows the program's settings and lets the user edit a
// copy of them in its controls: OK checks the copy and has the settings write
// it to Velmaris.ini, and only then put it in effect; Annuler puts the
// controls back.
class Maj : public QDialog {
    Q_OBJECT

public:
    explicit Maj(Settings& settings, QWidget* parent = nullptr);

    // The settings in effect (the controls may show an edited copy).
    const UpdateSettings& settings() const { return m_settings.update(); }
    Settings& settingsFile() { return m_settings; }

    void reject() override;

    QCheckBox* CheckMaj = nullptr;
    QCheckBox* Checkconnection = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* ftp = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* idcorse = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* idoutremer = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Boutonmanuel = nullptr;
    QPushButton* saisirindice = nullptr; // "Saisir un indice…"
    QPushButton* importinsee = nullptr;  // "Importer un fichier Insee…"
    QToolButton* Image1 = nullptr;
    QPushButton* Annuler = nullptr;
    QPushButton* Valider = nullptr;
    QToolButton* Picture1 = nullptr;
    QToolButton* Picture2 = nullptr;
    QFrame* Line1 = nullptr;

signals:
    void downloadRequested();
    void manualEditRequested();
    void indexEntryRequested();
    void inseeImportRequested();

private:
    void buildControls();
    void layOutControls();
    void valider();

    Settings& m_settings;
};

// The dialog's controls as settings, and back (settingsform.cpp).
UpdateSettings settingsOf(const Maj& maj);
void showSettings(Maj& maj, const UpdateSettings& settings);

} // namespace velmaris
