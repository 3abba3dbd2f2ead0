#pragma once

#include "settings.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velmaris {

// The "Bailleur" block of the settings: who signs the revision letters, the
// address they come from, the place they are signed at. Ok writes section
// [BAILLEUR] of Velmaris.ini and closes; when the file cannot be written it
// says why and stays open, the typing kept. Annuler changes nothing.
class LandlordDialog : public QDialog {
    Q_OBJECT

public:
    explicit LandlordDialog(Settings& settings, QWidget* parent = nullptr);

    // The block as the controls show it, and the other way round.
    LandlordSettings landlord() const;
    void showLandlord(const LandlordSettings& landlord);

    void accept() override;

    QLabel* Label1 = nullptr;
    QLineEdit* nom = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* adresse = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* lieu = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Annuler = nullptr;
    QPushButton* Valider = nullptr;

private:
    Settings& m_settings;
};

} // namespace velmaris
