// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "owner.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace velmaris {

class RegisterSession;

// "Bailleurs…": the register's owners, each with its kind, its town and how
// many leases it holds, the default one (where a lease without an owner goes)
// marked « (par défaut) ». "Ajouter…", "Modifier…" and "Supprimer" edit
// them; an owner that still holds leases is kept, the store saying how many.
// A register that may only be read is listed, not edited. The list follows
// every change the session announces.
class OwnersDialog : public QDialog {
    Q_OBJECT

public:
    explicit OwnersDialog(RegisterSession& session, QWidget* parent = nullptr);

    // Reads the owners again.
    void reload();
    const std::vector<Owner>& owners() const { return m_owners; }
    // The owner chosen in the list, 0 when none.
    qint64 selectedOwnerId() const;
    void selectOwner(qint64 id);

    QTableWidget* liste = nullptr;
    QLabel* etat = nullptr;
    QPushButton* ajouter = nullptr;
    QPushButton* modifier = nullptr;
    QPushButton* supprimer = nullptr;
    QPushButton* fermer = nullptr;

private:
    void buildControls();
    void updateButtons();
    void addOwner();
    void editOwner();
    void removeOwner();

    RegisterSession& m_session;
    std::vector<Owner> m_owners; // as listed
};

} // namespace velmaris
