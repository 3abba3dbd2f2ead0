// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "owner.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velmaris {

class RegisterSession;

// "Agence…": the agency that manages the register for its owners, when there
// is one. Its letters go out in its name on each owner's behalf, with its
// professional card and financial guarantor at the foot of the page.
// "Enregistrer" refuses what validateAgency() refuses, the cursor in the first
// faulty box; "Aucune agence" removes it, after asking, and the letters go out
// in each owner's name again. A register that may only be read shows it.
class AgencyDialog : public QDialog {
    Q_OBJECT

public:
    explicit AgencyDialog(RegisterSession& session, QWidget* parent = nullptr);

    // The agency the boxes describe, with the version of the one shown.
    Agency agency() const;
    bool isChanged() const;
    void reject() override;

    QLabel* etat = nullptr; // whose name the letters go out in
    QLineEdit* nom = nullptr;
    QPlainTextEdit* adresse = nullptr; // street lines
    QLineEdit* codepostal = nullptr;
    QLineEdit* commune = nullptr;
    QLineEdit* carte = nullptr;   // professional card number
    QLineEdit* chambre = nullptr; // the chamber of commerce that gave it out
    QLineEdit* garant = nullptr;
    QPlainTextEdit* adressegarant = nullptr;
    QLineEdit* courriel = nullptr;
    QLineEdit* telephone = nullptr;
    QPushButton* enregistrer = nullptr;
    QPushButton* aucune = nullptr; // "Aucune agence"
    QPushButton* annuler = nullptr;

private:
    void buildControls();
    void showAgency(const Agency& agency);
    void save();
    void removeAgency();
    // Writes `agency` (empty name: none); false when the store refused, said in a box.
    bool write(const Agency& agency);
    QWidget* boxOf(const QString& problem) const;

    RegisterSession& m_session;
    Agency m_shown;
};

// The agency's dialog, modal over parent; true when the agency was changed.
bool editAgency(QWidget* parent, RegisterSession& session);

} // namespace velmaris
